#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

namespace {

// A request: this tag, the size of the rest, and the absolute file names in
// UTF-8, each ended by a NUL (which no file name holds). Anything else on
// the socket is ignored.
constexpr quint32 kRequestTag = 0x544C4431;  // "TLD1"
constexpr quint32 kMaxRequestBytes = 1 << 20;

QString runtimeFolderOr(const QString& folder, const QString& fallback) {
  if (!folder.isEmpty()) return folder;
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? fallback : runtime;
}

}  // namespace

SingleInstance::SingleInstance(const QString& preferencesFolder, QString runtimeFolder, QObject* parent)
    : QObject(parent),
      base_(runtimeFolderOr(runtimeFolder, preferencesFolder) + QStringLiteral("/telvane-list-dialer-") +
            QString::fromLatin1(QCryptographicHash::hash(QDir(preferencesFolder).absolutePath().toUtf8(),
                                                         QCryptographicHash::Sha256)
                                    .toHex()
                                    .left(16))),
      lock_(lockPath()) {
  // Only a dead holder makes a lock stale, never its age: a long-running
  // instance keeps its lock.
  lock_.setStaleLockTime(0);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
      connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
        readRequest(socket);
        socket->deleteLater();
      });
      readRequest(socket);
    }
  });
}

bool SingleInstance::acquire() {
  QDir().mkpath(QFileInfo(lockPath()).absolutePath());
  if (!lock_.tryLock(0)) return false;
  // The lock is ours, so a socket file left there is a dead instance's.
  QLocalServer::removeServer(socketPath());
  (void)server_.listen(socketPath());  // without it the instance still runs, only unreachable
  return true;
}

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) const {
  QStringList absolute;
  for (const QString& file : files) absolute << QFileInfo(file).absoluteFilePath();
  QByteArray names;
  for (const QString& file : absolute) names += file.toUtf8() + '\0';
  QByteArray request;
  QDataStream out(&request, QIODevice::WriteOnly);
  out << kRequestTag << quint32(names.size());
  request += names;

  // The running instance may still be starting: it holds the lock before it listens.
  const QDeadlineTimer deadline(timeoutMs);
  do {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (socket.waitForConnected(int(qMin<qint64>(deadline.remainingTime(), 1000)))) {
      socket.write(request);
      const bool sent = socket.waitForBytesWritten(int(qMax<qint64>(deadline.remainingTime(), 100)));
      socket.disconnectFromServer();
      if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(1000);
      if (sent) return true;
    }
    QThread::msleep(50);
  } while (!deadline.hasExpired());
  return false;
}

void SingleInstance::readRequest(QLocalSocket* socket) {
  if (socket->property("handled").toBool()) return;
  if (socket->bytesAvailable() < 8) return;  // more to come
  QDataStream in(socket->peek(8));
  quint32 tag = 0, size = 0;
  in >> tag >> size;
  if (tag != kRequestTag || size > kMaxRequestBytes) {
    socket->setProperty("handled", true);
    socket->abort();
    return;
  }
  if (socket->bytesAvailable() < 8 + qint64(size)) return;
  socket->setProperty("handled", true);
  const QByteArray names = socket->read(8 + size).mid(8);
  QStringList files;
  for (const QByteArray& name : names.split('\0'))
    if (!name.isEmpty()) files << QString::fromUtf8(name);
  Q_EMIT activationRequested(files);
  socket->disconnectFromServer();
}

void bringToFront(QWidget* window) {
  if (!window) return;
  window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window->show();
  window->raise();
  window->activateWindow();
}
