#include "prefs/defaults_store.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <csignal>
#include <functional>

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

QVariant i64(qint64 v) { return QVariant::fromValue(v); }

// A domain as the application keeps it: a call list under "data" beside the
// window's small keys. The last record carries markers that tests find in the
// encoded file.
QVariantMap callDomain() {
  QVariantList records;
  const QDateTime start(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC);
  for (int i = 0; i < 3000; ++i) {
    QVariantMap record{{"index", i64(i + 1)},
                       {"number", QStringLiteral("555-%1").arg(i % 1000, 4, 10, QLatin1Char('0'))},
                       {"success", i % 3 == 0},
                       {"note", QStringLiteral("call back later")}};
    if (i % 2 == 0) record.insert("date", start.addSecs(i * 61));
    records.append(record);
  }
  records.append(QVariantMap{{"number", QStringLiteral("needle-last")},
                             {"date", QDateTime(QDate(2031, 7, 8), QTime(9, 10, 11, 123), Qt::UTC)},
                             {"tags", QVariantList{QStringLiteral("x"), 2.5, QByteArray("\x00\x01", 2)}}});
  return {{"data", records},
          {"NSWindow Frame Main", QStringLiteral("{{10, 20}, {960, 600}}")},
          {"CallTableSort", QVariantMap{{"column", "date"}, {"ascending", true}}},
          {"NSNavLastRootDirectory", QStringLiteral("~/Calls")},
          {"count", i64(3001)}};
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

TEST_F(DomainStoreTest, ReadsOneKeyOfABigDomainAsTheWholeFileGivesIt) {
  const QVariantMap domain = callDomain();
  writeAll(file(), *plist::encode(domain));
  for (const QString& key : domain.keys() + QStringList{"absent"}) {
    SCOPED_TRACE(key.toStdString());
    DomainStore store(directory());  // fresh: the key is the first one read
    const auto value = store.value("d", key);
    ASSERT_EQ(value.has_value(), domain.contains(key));
    if (value) {
      EXPECT_TRUE(plist::sameValue(*value, domain.value(key)));
    }
    EXPECT_TRUE(plist::sameValue(*store.values("d"), domain));  // the rest, decoded now
    if (value) {
      EXPECT_TRUE(plist::sameValue(*store.value("d", key), domain.value(key)));
    }
  }
  DomainStore store(directory());
  EXPECT_FALSE(store.value("", "data"));
  EXPECT_FALSE(store.value("../d", "data"));
}

TEST_F(DomainStoreTest, DamageDeepInsideTheBigListIsFoundWhenTheFileIsLoaded) {
  const QByteArray good = *plist::encode(callDomain());
  // Each damage hits only the list's last record, never read by the test.
  const auto damaged = [&](const QByteArray& find, const QByteArray& replace) {
    const qsizetype at = good.lastIndexOf(find);
    EXPECT_GT(at, 0) << find.toHex().toStdString();
    return QByteArray(good).replace(at, find.size(), replace);
  };
  const QByteArray needle = QByteArray("\x5B", 1) + "needle-last";  // an 11-character ASCII string
  QByteArray dateBits(9, '\0');
  const double seconds = (QDateTime(QDate(2031, 7, 8), QTime(9, 10, 11, 123), Qt::UTC).toMSecsSinceEpoch() -
                          plist::kReferenceDateMsecs) /
                         1000.0;
  dateBits[0] = char(0x33);
  qToBigEndian(seconds, dateBits.data() + 1);
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"unknown object type", damaged(needle, QByteArray("\x8B", 1) + "needle-last")},
      {"string running past the objects",
       damaged(needle, QByteArray("\x5F\x13\x7f\xff\xff\xff\xff\xff\xff\xff", 10) + "st")},
      {"date out of range", damaged(dateBits, QByteArray("\x33\x7f\xf8\x00\x00\x00\x00\x00\x00", 9))},
      {"real of a bad size", damaged(dateBits, QByteArray("\x24", 1) + dateBits.mid(1))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.bytes.size(), good.size());
    QDir(directory()).removeRecursively();
    QDir().mkpath(directory());
    writeAll(file(), c.bytes);
    DomainStore store(directory());
    testsupport::LogCapture log;
    EXPECT_FALSE(store.value("d", "CallTableSort"));  // a small key alone still loads the whole check
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("error: cannot read preferences file " + file() + " ("))
        << log.lines()[0].toStdString();
    const QStringList names = entries();
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names[0].startsWith("d.plist.corrupt-"));
    EXPECT_EQ(readAll(directory() + u'/' + names[0]), c.bytes);
    EXPECT_TRUE(store.values("d")->isEmpty());
  }
}

TEST_F(DomainStoreTest, ValuesNeverReadAreWrittenBackExactly) {
  const QVariantMap original = callDomain();
  const QVariant frame = QStringLiteral("{{0, 0}, {800, 500}}");
  const struct {
    const char* name;
    std::function<void(DomainStore&)> change;
    QVariantMap expected;
  } cases[] = {
      {"a new key after reading one",
       [](DomainStore& s) {
         (void)s.value("d", "CallTableSort");
         s.setValue("d", "new", QVariant(true));
       },
       [&] {
         QVariantMap m = original;
         m.insert("new", true);
         return m;
       }()},
      {"a never-read key replaced", [&](DomainStore& s) { s.setValue("d", "NSWindow Frame Main", frame); },
       [&] {
         QVariantMap m = original;
         m.insert("NSWindow Frame Main", frame);
         return m;
       }()},
      {"the never-read list removed", [](DomainStore& s) { s.removeValue("d", "data"); },
       [&] {
         QVariantMap m = original;
         m.remove("data");
         return m;
       }()},
      {"a read key removed, nothing else read",
       [](DomainStore& s) {
         (void)s.value("d", "count");
         s.removeValue("d", "count");
       },
       [&] {
         QVariantMap m = original;
         m.remove("count");
         return m;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeAll(file(), *plist::encode(original));
    {
      DomainStore store(directory());
      c.change(store);
      ASSERT_TRUE(store.synchronize());
      // The store answers as the file now does, before and after reloading.
      EXPECT_TRUE(plist::sameValue(*store.values("d"), c.expected));
    }
    const auto saved = plist::decode(readAll(file()));
    ASSERT_TRUE(saved);
    EXPECT_TRUE(plist::sameValue(*saved, c.expected));
    DomainStore reloaded(directory());
    EXPECT_TRUE(plist::sameValue(*reloaded.values("d"), c.expected));
  }
}

}  // namespace
