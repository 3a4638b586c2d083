#include "prefs/user_defaults_controller.h"

UserDefaultsController* UserDefaultsController::sharedUserDefaultsController() {
  // Never destroyed: bindings may outlive any point of static destruction.
  static auto* const shared = new UserDefaultsController;
  return shared;
}

UserDefaultsKeyNotifier* UserDefaultsController::notifierForKey(const QString& key) {
  UserDefaultsKeyNotifier*& notifier = notifiers_[key];
  if (!notifier) notifier = new UserDefaultsKeyNotifier(this);
  return notifier;
}

void UserDefaultsController::announce(const QString& key, const QVariant& value) {
  if (UserDefaultsKeyNotifier* notifier = notifiers_.value(key)) Q_EMIT notifier->valueChanged(value);
}
