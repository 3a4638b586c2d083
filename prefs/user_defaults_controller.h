// The application-wide object through which a preference is set so that
// whatever displays it follows at once: every key has its own notifier whose
// valueChanged signal fires on each Tirr_UserDefaults::updateValue of the key.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include "prefs/user_defaults.h"

// Announces the changes of one key.
class UserDefaultsKeyNotifier : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 Q_SIGNALS:
  // The key now holds `value` (invalid when the key was removed).
  void valueChanged(const QVariant& value);
};

class UserDefaultsController : public QObject {
  Q_OBJECT

 public:
  // The one controller of the process, made on first use and never destroyed.
  [[nodiscard]] static UserDefaultsController* sharedUserDefaultsController();

  // Returns the notifier of `key`, the same object on every call.
  [[nodiscard]] UserDefaultsKeyNotifier* notifierForKey(const QString& key);

  // Binds `apply` to `key`: calls it with the key's current value (invalid
  // when absent) and again after every update of the key, for as long as
  // `context` lives.
  template <typename Apply>
  QMetaObject::Connection bind(const QString& key, QObject* context, Apply apply) {
    apply(Tirr_UserDefaults::readDefault(key).value_or(QVariant()));
    return connect(notifierForKey(key), &UserDefaultsKeyNotifier::valueChanged, context, apply);
  }

  // Tells the notifier of `key`, if anyone asked for it, that the key changed.
  void announce(const QString& key, const QVariant& value);

 private:
  using QObject::QObject;
  QHash<QString, UserDefaultsKeyNotifier*> notifiers_;
};
