#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unicode/timezone.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "prefs/property_list.h"
#include "prefs/user_defaults.h"
#include "prefs/user_defaults_controller.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using UD = Tirr_UserDefaults;

const QString kCityKey = QStringLiteral("com.apple.TimeZonePref.Last_Selected_City");

// Translates the information dictionary's "CFBundleName" only.
class BundleNameTranslator : public QTranslator {
 public:
  QString translate(const char* context, const char* source, const char*, int) const override {
    if (qstrcmp(context, "InfoPlist") == 0 && qstrcmp(source, "CFBundleName") == 0)
      return QString::fromUtf8("Testbündel");
    return {};
  }
  bool isEmpty() const override { return false; }
};

// Makes `zone` the process's time zone, as TZ does for a program that starts
// with it, and restores the previous zone when it goes.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) : previous_(icu::TimeZone::createDefault()) {
    if (const char* tz = std::getenv("TZ")) oldTz_ = tz;
    setenv("TZ", zone, 1);
    tzset();
    icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone());
  }
  ~ScopedTimeZone() {
    if (oldTz_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", oldTz_.c_str(), 1);
    tzset();
    icu::TimeZone::adoptDefault(previous_);
  }

 private:
  icu::TimeZone* previous_;
  std::string oldTz_;
};

class BundleValuesTest : public ::testing::Test {
 protected:
  void SetUp() override { clear(); }
  void TearDown() override { clear(); }
  static void clear() {
    UD::resetDefaults();
    QDir(storeDirectory()).removeRecursively();
  }
  static QString storeDirectory() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tirr-defaults");
  }
  // Stores `value` under the city key in the global domain, where the system
  // keeps it, and starts the defaults afresh.
  static void storeCity(const QVariant& value) {
    QDir().mkpath(storeDirectory());
    QFile file(storeDirectory() + u'/' + UD::globalDomain() + QStringLiteral(".plist"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*plist::encode(QVariantMap{{kCityKey, value}}));
    file.close();
    UD::resetDefaults();
  }
  QTemporaryDir dir_;
  QString file(const QString& name, const QByteArray& content) {
    const QString path = dir_.filePath(name);
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
    return path;
  }
};

}  // namespace

TEST_F(BundleValuesTest, InformationDictionary) {
  EXPECT_EQ(UD::plistValue(QStringLiteral("CFBundleName")), QVariant(QStringLiteral("Test Bundle")));
  EXPECT_EQ(UD::plistValue(QStringLiteral("TestNumber")), QVariant(qint64(42)));
  EXPECT_EQ(UD::plistValue(QStringLiteral("NoSuchKey")), std::nullopt);

  BundleNameTranslator translator;
  ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
  EXPECT_EQ(UD::plistValue(QStringLiteral("CFBundleName")), QVariant(QString::fromUtf8("Testbündel")));
  EXPECT_EQ(UD::plistValue(QStringLiteral("CFBundleShortVersionString")), QVariant(QStringLiteral("2.5")));
  EXPECT_EQ(UD::plistValue(QStringLiteral("NoSuchKey")), std::nullopt);
  QCoreApplication::removeTranslator(&translator);
  EXPECT_EQ(UD::plistValue(QStringLiteral("CFBundleName")), QVariant(QStringLiteral("Test Bundle")));
}

TEST_F(BundleValuesTest, PropertyListFilesInEveryForm) {
  const QVariantMap values{{"name", QStringLiteral("Ann")}, {"count", qint64(3)}};
  const QString paths[] = {
      file("binary.plist", *plist::encode(values)),
      file("xml.plist",
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>name</key><string>Ann</string><key>count</key><integer>3</integer></dict></plist>"),
      file("text.plist", "{ name = Ann; count = 3; }"),
  };
  testsupport::LogCapture log;
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    EXPECT_EQ(UD::plistValue(path, QStringLiteral("name")), QVariant(QStringLiteral("Ann")));
    EXPECT_EQ(UD::plistValue(path, QStringLiteral("absent")), std::nullopt);
  }
  // The old text form has strings only.
  EXPECT_EQ(UD::plistValue(paths[1], QStringLiteral("count")), QVariant(qint64(3)));
  EXPECT_EQ(UD::plistValue(paths[2], QStringLiteral("count")), QVariant(QStringLiteral("3")));
  // A root that is not a dictionary has no keys.
  EXPECT_EQ(UD::plistValue(file("array.plist", "(a, b)"), QStringLiteral("a")), std::nullopt);
  EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

TEST_F(BundleValuesTest, UnreadablePropertyListFilesLogOnce) {
  // A FIFO with no writer would block a reader for ever.
  const QString fifo = dir_.filePath("fifo.plist");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const struct {
    QString path;
    QString line;  // empty: any "plistValue error: " line
  } cases[] = {
      {dir_.filePath("missing.plist"),
       "plistValue error: " + dir_.filePath("missing.plist") + ": no such file"},
      {dir_.path(), "plistValue error: " + dir_.path() + ": not a regular file"},
      {fifo, "plistValue error: " + fifo + ": not a regular file"},
      {file("empty.plist", ""), ""},
      {file("malformed.plist", "<?xml version=\"1.0\"?><plist><dict><key>a</key>"), ""},
      {file("garbage.plist", "bplist00\xff\xff\xff"), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    testsupport::LogCapture log;
    EXPECT_EQ(UD::plistValue(c.path, QStringLiteral("a")), std::nullopt);
    ASSERT_EQ(log.lines().size(), 1);
    if (c.line.isEmpty()) {
      EXPECT_TRUE(log.lines()[0].startsWith("plistValue error: ")) << log.lines()[0].toStdString();
      EXPECT_GT(log.lines()[0].size(), QStringLiteral("plistValue error: ").size());
    } else {
      EXPECT_EQ(log.lines()[0], c.line);
    }
  }
}

TEST_F(BundleValuesTest, UpdateValueReachesBindings) {
  QVariant shown = QStringLiteral("not called");
  auto context = std::make_unique<QObject>();
  UserDefaultsController::sharedUserDefaultsController()->bind(QStringLiteral("fontSize"), context.get(),
                                                               [&](const QVariant& v) { shown = v; });
  EXPECT_FALSE(shown.isValid());  // absent at the time of binding

  UD::updateValue(qint64(14), QStringLiteral("fontSize"));
  EXPECT_EQ(shown, QVariant(qint64(14)));
  EXPECT_EQ(UD::readIntegerDefault(QStringLiteral("fontSize")), 14);
  UD::updateValue(QVariant(QPoint(1, 2)), QStringLiteral("fontSize"));  // no property-list form
  EXPECT_EQ(shown, QVariant(qint64(14)));
  UD::updateValue(qint64(9), QStringLiteral("other"));
  EXPECT_EQ(shown, QVariant(qint64(14)));
  UD::updateValue(QVariant(), QStringLiteral("fontSize"));
  EXPECT_FALSE(shown.isValid());
  EXPECT_FALSE(UD::defaultExists(QStringLiteral("fontSize")));

  context.reset();
  shown = QStringLiteral("unbound");
  UD::updateValue(qint64(20), QStringLiteral("fontSize"));
  EXPECT_EQ(shown, QVariant(QStringLiteral("unbound")));
}

TEST_F(BundleValuesTest, CountryCodeFromTheStoredCity) {
  const auto city = [](const QVariant& fifth) {
    return QVariantList{"London", "Europe/London", "51.5", "-0.1", fifth, "United Kingdom"};
  };
  const struct {
    const char* name;
    QVariant stored;
    QString expected;
  } cases[] = {
      {"lower case", city("gb"), "GB"},
      {"upper case", city("DE"), "DE"},
      {"exactly five", QVariantList{"a", "b", "c", "d", "fr"}, "FR"},
      {"four elements", QVariantList{"a", "b", "c", "d"}, "US"},
      {"empty list", QVariantList{}, "US"},
      {"a string", "gb", "US"},
      {"a dictionary", QVariantMap{{"4", "gb"}}, "US"},
      {"a number fifth", city(qint64(44)), "US"},
      {"a list fifth", city(QVariantList{"gb"}), "US"},
  };
  const ScopedTimeZone berlin("Europe/Berlin");  // never consulted while the key is there
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    storeCity(c.stored);
    EXPECT_EQ(UD::userCountryCode(), c.expected);
  }
}

TEST_F(BundleValuesTest, CountryCodeFromTheTimeZone) {
  const struct {
    const char* zone;
    QString expected;
  } cases[] = {
      {"Europe/Berlin", "DE"}, {"America/Sao_Paulo", "BR"}, {"Asia/Tokyo", "JP"},
      {"UTC", "US"},           {"Etc/GMT+5", "US"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    const ScopedTimeZone zone(c.zone);
    EXPECT_EQ(UD::userCountryCode(), c.expected);
  }
}

TEST_F(BundleValuesTest, TouchBundleDateStampsTheExecutable) {
  const QByteArray executable = QFile::encodeName(QCoreApplication::applicationFilePath());
  struct stat before {};
  ASSERT_EQ(stat(executable.constData(), &before), 0);
  const timespec old[2] = {{978307200, 0}, {978307200, 0}};  // 2001-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, executable.constData(), old, 0), 0);

  const qint64 start = QDateTime::currentSecsSinceEpoch();
  UD::touchBundleDate();
  struct stat after {};
  ASSERT_EQ(stat(executable.constData(), &after), 0);
  EXPECT_GE(after.st_mtim.tv_sec, start);
  EXPECT_LE(after.st_mtim.tv_sec, QDateTime::currentSecsSinceEpoch());
  const timespec original[2] = {before.st_atim, before.st_mtim};
  utimensat(AT_FDCWD, executable.constData(), original, 0);
}
