// One instance per preferences folder: the lock, stale locks after a crash,
// and handing files to the running instance.
#include "app/single_instance.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include "testsupport/qt_printers.h"

namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  QString prefs() const { return temp_.path() + QStringLiteral("/prefs"); }
  QString runtime() const { return temp_.path() + QStringLiteral("/run"); }
  QTemporaryDir temp_;
};

TEST_F(SingleInstanceTest, ALaterLaunchHandsItsFilesToTheFirst) {
  SingleInstance first(prefs(), runtime());
  ASSERT_TRUE(first.acquire());
  QSignalSpy activated(&first, &SingleInstance::activationRequested);

  SingleInstance later(prefs(), runtime());
  EXPECT_FALSE(later.acquire());
  const struct {
    QStringList files;
    QStringList received;
  } cases[] = {
      {{}, {}},
      {{QStringLiteral("calls.txt")}, {QDir::current().absoluteFilePath(QStringLiteral("calls.txt"))}},
      {{QStringLiteral("/tmp/a list.txt"), QStringLiteral("/tmp/ünï\ncode.csv")},
       {QStringLiteral("/tmp/a list.txt"), QStringLiteral("/tmp/ünï\ncode.csv")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files.join(' ').toStdString());
    activated.clear();
    ASSERT_TRUE(later.handOver(c.files, 2000));
    ASSERT_TRUE(activated.wait(2000));
    EXPECT_EQ(activated.first().first().toStringList(), c.received);
  }
}

TEST_F(SingleInstanceTest, OtherPreferencesFoldersRunTheirOwnInstance) {
  SingleInstance first(prefs(), runtime());
  ASSERT_TRUE(first.acquire());
  SingleInstance other(prefs() + QStringLiteral("-other"), runtime());
  EXPECT_TRUE(other.acquire());
}

TEST_F(SingleInstanceTest, ALockLeftByACrashedInstanceIsTakenOver) {
  // The pid of a process that has ended, written as the lock file records it.
  QProcess gone;
  gone.start(QStringLiteral("true"));
  ASSERT_TRUE(gone.waitForStarted());
  const qint64 pid = gone.processId();
  ASSERT_TRUE(gone.waitForFinished());
  SingleInstance probe(prefs(), runtime());
  ASSERT_TRUE(QDir().mkpath(runtime()));
  QFile lock(probe.lockPath());
  ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
  lock.write(QByteArray::number(pid) + "\ntelvane-list-dialer\n" + QSysInfo::machineHostName().toUtf8() +
             "\n");
  lock.close();
  QFile socket(probe.socketPath());  // the dead instance's socket file is still there
  ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
  socket.close();

  SingleInstance next(prefs(), runtime());
  ASSERT_TRUE(next.acquire());
  QSignalSpy activated(&next, &SingleInstance::activationRequested);
  SingleInstance later(prefs(), runtime());
  ASSERT_TRUE(later.handOver({QStringLiteral("/x.txt")}, 2000));
  EXPECT_TRUE(activated.wait(2000));
}

TEST_F(SingleInstanceTest, BytesThatAreNoRequestAreIgnored) {
  SingleInstance first(prefs(), runtime());
  ASSERT_TRUE(first.acquire());
  QSignalSpy activated(&first, &SingleInstance::activationRequested);
  // A wrong tag; the right tag with a size far too large; a request cut short.
  const QByteArray junk[] = {QByteArray("hello\n"),
                             QByteArray::fromHex("544c4431ffffffff") + QByteArray(64, 'x'),
                             QByteArray::fromHex("544c443100000010") + "/a"};
  for (const QByteArray& bytes : junk) {
    QLocalSocket socket;
    socket.connectToServer(first.socketPath());
    ASSERT_TRUE(socket.waitForConnected(1000));
    socket.write(bytes);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
  }
  QTest::qWait(200);
  EXPECT_EQ(activated.count(), 0);
}

}  // namespace
