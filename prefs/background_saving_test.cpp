// Storing preferences away from the event loop, failed writes, and files
// that cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

#include "prefs/background_writer.h"
#include "prefs/defaults_store.h"
#include "prefs/property_list.h"
#include "testsupport/file_size_limit.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariantMap storedIn(const QString& path) {
  return plist::decode(readAll(path)).value_or(QVariant()).toMap();
}

// Runs `load` as an unprivileged user when the tests run as root, for whom
// file modes mean nothing.
template <typename Load>
void withoutPrivileges(Load load) {
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::seteuid(65534), 0);
  }
  load();
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
}

TEST(BackgroundWriter, AWaitingWriteIsReplacedByANewerOneAndFilesKeepTheirOrder) {
  std::atomic<bool> release = false;
  QStringList ran;
  std::mutex ranMutex;
  BackgroundWriter writer;
  const auto job = [&](const QString& name, bool block = false, bool fail = false) {
    return [&, name, block, fail]() -> std::optional<QString> {
      while (block && !release) std::this_thread::yield();
      std::lock_guard lock(ranMutex);
      ran << name;
      return fail ? std::optional<QString>(QStringLiteral("no room")) : std::nullopt;
    };
  };
  writer.submit("a", job("a1", true));  // runs, held until released
  QTest::qWait(20);
  writer.submit("a", job("a2"));
  writer.submit("b", job("b1", false, true));
  writer.submit("a", job("a3"));  // replaces a2, keeps its place before b
  release = true;
  EXPECT_FALSE(writer.waitForIdle());  // b's last write failed
  EXPECT_EQ(ran, (QStringList{"a1", "a3", "b1"}));
  writer.submit("b", job("b2"));
  EXPECT_TRUE(writer.waitForIdle());
}

class BackgroundStoreTest : public ::testing::Test {
 protected:
  QString directory() const { return temp_.path() + QStringLiteral("/tirr-defaults"); }
  QString file() const { return directory() + QStringLiteral("/d.plist"); }
  QTemporaryDir temp_;
};

TEST_F(BackgroundStoreTest, ProducedValuesAreMadeAndWrittenOffTheCallingThread) {
  DomainStore store(directory());
  store.setBackgroundSaving(true);
  std::atomic<bool> onCaller = true;
  const auto caller = std::this_thread::get_id();
  store.setValue("d", "frame", QStringLiteral("1 2 3 4"));
  store.setValueProducer("d", "data", [&onCaller, caller]() -> std::optional<QVariant> {
    onCaller = std::this_thread::get_id() == caller;
    return QVariant(QVariantList{QVariant::fromValue(qint64(7))});
  });
  ASSERT_TRUE(store.synchronize());
  ASSERT_TRUE(store.waitForPendingSaves());
  EXPECT_FALSE(onCaller);
  EXPECT_TRUE(plist::sameValue(storedIn(file()),
                               QVariantMap{{"frame", QStringLiteral("1 2 3 4")},
                                           {"data", QVariantList{QVariant::fromValue(qint64(7))}}}));
  // A read makes the value on the spot.
  EXPECT_EQ(store.value("d", "data")->toList().size(), 1);
}

TEST_F(BackgroundStoreTest, StoringASmallValueAgainWritesNothing) {
  DomainStore store(directory());
  int writes = 0;
  store.setSaveFinished([&writes](const QString&, const std::optional<QString>&) { ++writes; });
  const struct {
    QVariant value;
    int writes;
  } steps[] = {
      {QStringLiteral("10 10 640 480"), 1},
      {QStringLiteral("10 10 640 480"), 1},  // the window did not move
      {QStringLiteral("12 10 640 480"), 2},
      {QVariant::fromValue(qint64(12)), 3},  // same digits, another kind
      {QVariantList{}, 4},                   // containers are always written
      {QVariantList{}, 5},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.value.toString().toStdString());
    store.setValue("d", "frame", step.value);
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(writes, step.writes);
  }
}

TEST_F(BackgroundStoreTest, AFailedWriteIsReportedKeepsTheOldFileAndIsTriedAgain) {
  DomainStore store(directory());
  store.setBackgroundSaving(true);
  QList<std::optional<QString>> reports;
  store.setSaveFinished([&](const QString& path, const std::optional<QString>& error) {
    EXPECT_EQ(path, file());
    reports << error;
  });
  store.setValue("d", "small", QStringLiteral("old"));
  ASSERT_TRUE(store.synchronize());
  ASSERT_TRUE(store.waitForPendingSaves());
  const QByteArray before = readAll(file());

  store.setValue("d", "big", QString(300000, u'x'));
  {
    testsupport::FileSizeLimit full(8192);
    ASSERT_TRUE(store.synchronize());  // queued
    EXPECT_FALSE(store.waitForPendingSaves());
  }
  QTest::qWait(10);  // the report arrives through the event loop
  ASSERT_EQ(reports.size(), 2);
  EXPECT_FALSE(reports[0]);
  ASSERT_TRUE(reports[1]);
  EXPECT_FALSE(reports[1]->isEmpty());
  EXPECT_EQ(readAll(file()), before);
  EXPECT_EQ(QDir(directory()).entryList(QDir::Files), QStringList{"d.plist"});

  // Nothing changed since, yet the domain is written again.
  ASSERT_TRUE(store.synchronize());
  EXPECT_TRUE(store.waitForPendingSaves());
  EXPECT_EQ(storedIn(file()).value("big").toString().size(), 300000);
}

TEST_F(BackgroundStoreTest, FilesThatCannotBeReadAreLeftAloneAndNeverWrittenOver) {
  const QByteArray stored = *plist::encode(QVariantMap{{"data", QVariantList{QStringLiteral("keep me")}}});
  const struct {
    const char* name;
    std::function<void(const QString& path)> make;
    bool unprivileged;
    const char* reason;
  } cases[] = {
      {"a file only its owner may read",
       [&](const QString& path) {
         QFile f(path);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(stored);
         f.close();
         ::chmod(QFile::encodeName(path).constData(), 0);
       },
       true, "Permission denied"},
      {"a FIFO",
       [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); }, false,
       "not a regular file"},
      {"a folder", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path)); }, false,
       "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(directory()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(directory()));
    c.make(file());
    DomainStore store(directory());
    testsupport::LogCapture log;
    std::optional<DomainLoadProblem> problem;
    if (c.unprivileged)
      withoutPrivileges([&] { problem = store.loadProblem("d"); });
    else
      problem = store.loadProblem("d");
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->kind, DomainLoadProblem::Kind::Unreadable);
    EXPECT_EQ(problem->path, file());
    EXPECT_TRUE(problem->reason.contains(QLatin1String(c.reason))) << problem->reason.toStdString();
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].endsWith("it is left untouched and not written"))
        << log.lines()[0].toStdString();

    store.setValue("d", "data", QVariantList());
    EXPECT_FALSE(store.synchronize());
    EXPECT_EQ(QDir(directory()).entryList(QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"d.plist"});
    if (c.unprivileged) {
      ::chmod(QFile::encodeName(file()).constData(), 0600);
      EXPECT_EQ(readAll(file()), stored);
    }
  }
}

TEST_F(BackgroundStoreTest, ADamagedFileIsToldWithWhereItWasKept) {
  ASSERT_TRUE(QDir().mkpath(directory()));
  QFile f(file());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("bplist00 not really");
  f.close();
  DomainStore store(directory());
  testsupport::LogCapture log;
  const auto problem = store.loadProblem("d");
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->kind, DomainLoadProblem::Kind::MovedAside);
  EXPECT_TRUE(problem->movedTo.startsWith(file() + ".corrupt-"));
  EXPECT_EQ(readAll(problem->movedTo), QByteArray("bplist00 not really"));
  store.setValue("d", "k", true);
  EXPECT_TRUE(store.synchronize());  // a new file is started
}

}  // namespace
