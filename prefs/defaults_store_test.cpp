#include "prefs/defaults_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "prefs/property_list.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

class DomainStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(QDir().mkpath(directory())); }
  QString directory() const { return temp_.path() + QStringLiteral("/tirr-defaults"); }
  QString file() const { return directory() + QStringLiteral("/d.plist"); }
  QStringList entries() const {
    return QDir(directory()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
  }

  QTemporaryDir temp_;
};

TEST_F(DomainStoreTest, UnreadableFilesAreMovedAsideLoggedAndStartEmpty) {
  const QByteArray binary = *plist::encode(QVariantMap{{"a", QVariantList{1, 2.5, "x"}}});
  QByteArray badTrailer = binary;
  badTrailer[badTrailer.size() - 1] = char(0xFF);
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"truncated binary", binary.first(binary.size() - 9)},
      {"binary with a bad trailer", badTrailer},
      {"truncated XML", "<?xml version=\"1.0\"?><plist><dict><key>a</key><string>b"},
      {"XML with a value outside any key", "<plist><dict><string>b</string></dict></plist>"},
      {"truncated text", "{ a = b; c = ("},
      {"random bytes", QByteArray("\x00\x9f\x01garbage\xff", 11)},
      {"empty file", QByteArray()},
      {"a list where a dictionary belongs", "(a, b)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(directory()).removeRecursively();
    QDir().mkpath(directory());
    writeAll(file(), c.bytes);
    DomainStore store(directory());
    testsupport::LogCapture log;
    const QVariantMap* values = store.values("d");
    ASSERT_TRUE(values);
    EXPECT_TRUE(values->isEmpty());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("error: cannot read preferences file " + file() + " ("))
        << log.lines()[0].toStdString();

    // The old file is kept, byte for byte, under a recognisable name.
    const QStringList names = entries();
    ASSERT_EQ(names.size(), 1) << names.join(' ').toStdString();
    EXPECT_TRUE(names[0].startsWith("d.plist.corrupt-"));
    EXPECT_TRUE(log.lines()[0].endsWith(names[0]));
    EXPECT_EQ(readAll(directory() + u'/' + names[0]), c.bytes);

    store.setValue("d", "k", QVariant(true));
    EXPECT_TRUE(store.synchronize());
    EXPECT_TRUE(plist::sameValue(*plist::decode(readAll(file())), QVariantMap{{"k", true}}));
  }
}

TEST_F(DomainStoreTest, ReadsDomainFilesInXmlAndTextForm) {
  const QVariantMap expected{{"name", "Telvane"}, {"count", QVariant::fromValue(qint64(3))}};
  const QByteArray forms[] = {
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>count</key><integer>3</integer>"
      "<key>name</key><string>Telvane</string></dict></plist>",
      "{ name = Telvane; count = <*I3>; }",
  };
  for (const QByteArray& bytes : forms) {
    writeAll(file(), bytes);
    DomainStore store(directory());
    EXPECT_TRUE(plist::sameValue(*store.values("d"), expected));
  }
}

TEST_F(DomainStoreTest, AShortWriteLeavesTheOldFileByteIdentical) {
  DomainStore store(directory());
  store.setValue("d", "small", QVariant(QStringLiteral("old")));
  ASSERT_TRUE(store.synchronize());
  const QByteArray before = readAll(file());

  // A file-size limit makes write() fail part-way as a full disk would; unlike
  // file modes, it binds root too.
  store.setValue("d", "big", QVariant(QString(200000, u'x')));
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool synced = store.synchronize();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(synced);
  EXPECT_EQ(readAll(file()), before);
  EXPECT_EQ(entries(), QStringList{"d.plist"});  // no temporary file left behind
  EXPECT_TRUE(store.synchronize());              // the change was kept and is written now
  EXPECT_EQ(plist::decode(readAll(file()))->toMap().value("big").toString().size(), 200000);
}

TEST_F(DomainStoreTest, AFailedRenameReportsFailure) {
  DomainStore store(directory());
  ASSERT_TRUE(store.values("d"));  // loaded while absent
  ASSERT_TRUE(QDir().mkpath(file() + "/keep"));
  store.setValue("d", "k", QVariant(1));
  EXPECT_FALSE(store.synchronize());
  EXPECT_TRUE(QFileInfo(file() + "/keep").isDir());
}

}  // namespace
