// How the writes of the preferences end, for whoever must tell the user.
#pragma once

#include <QObject>
#include <QString>

class DefaultsSaveEvents : public QObject {
  Q_OBJECT

 public:
  // The one instance of the process; it lives on the main thread.
  [[nodiscard]] static DefaultsSaveEvents* instance();

 Q_SIGNALS:
  // A domain file was written (`error` empty) or could not be (`error` says
  // why, as the system put it). Emitted on the main thread.
  void saveFinished(const QString& path, const QString& error);
};
