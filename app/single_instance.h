// One running program per user and preferences folder: two instances on the
// same preferences would write their lists over each other.
//
// The first instance holds a lock file and listens on a local socket, both in
// the user's runtime folder and named for the preferences folder. A later
// launch finds the lock taken, hands its command-line files to the running
// instance (which comes to the front and loads them) and exits. A lock left
// behind by a crashed instance is taken over.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <memory>

class QWidget;

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // Guards the preferences kept in `preferencesFolder`; the lock and socket
  // go to `runtimeFolder` (the user's runtime folder when empty).
  explicit SingleInstance(const QString& preferencesFolder, QString runtimeFolder = {},
                          QObject* parent = nullptr);

  // Takes the lock and starts listening for later launches. Answers false
  // while another live instance holds it.
  [[nodiscard]] bool acquire();

  // From a later launch: sends `files` (made absolute here) to the running
  // instance. Answers false when none answered within `timeoutMs`.
  [[nodiscard]] bool handOver(const QStringList& files, int timeoutMs = 5000) const;

  [[nodiscard]] QString lockPath() const { return base_ + QStringLiteral(".lock"); }
  [[nodiscard]] QString socketPath() const { return base_ + QStringLiteral(".socket"); }

 Q_SIGNALS:
  // A later launch asked this instance to come to the front and load `files`.
  void activationRequested(const QStringList& files);

 private:
  void readRequest(class QLocalSocket* socket);

  QString base_;
  QLockFile lock_;
  QLocalServer server_;
};

// Shows `window`, restores it from the minimized state and gives it the focus.
void bringToFront(QWidget* window);
