#include "prefs/user_defaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPoint>
#include <QScreen>
#include <QStandardPaths>
#include <limits>

#include "prefs/archived_value.h"
#include "prefs/property_list.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using UD = Tirr_UserDefaults;

QVariant i64(qint64 v) { return QVariant::fromValue(v); }
QVariant str(const char* utf8) { return QVariant(QString::fromUtf8(utf8)); }

class UserDefaultsTest : public ::testing::Test {
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
  static QString domainFile(const QString& domain) {
    return storeDirectory() + u'/' + domain + QStringLiteral(".plist");
  }
  static void writeDomainFile(const QString& domain, const QVariantMap& values) {
    QDir().mkpath(storeDirectory());
    QFile file(domainFile(domain));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(*plist::encode(values));
  }

  // Every kind a preference can hold, and the same again nested.
  static QVariantMap everyKind() {
    const QVariantMap scalars{{"int", i64(std::numeric_limits<qint64>::min())},
                              {"double", QVariant(0.1)},
                              {"float", QVariant(0.1f)},
                              {"bool", QVariant(true)},
                              {"string", QVariant(QString::fromUtf16(u"\0ctrl\x01\t\U0001F600", 10))},
                              {"date", QVariant(QDateTime::fromMSecsSinceEpoch(1709210096789, Qt::UTC))},
                              {"data", QVariant(QByteArray("\x00\xff\x10", 3))}};
    QVariantMap all = scalars;
    all.insert("list", QVariantList{scalars, QVariantList{}, i64(1)});
    all.insert("map", QVariantMap{{"inner", scalars}});
    return all;
  }
};

TEST_F(UserDefaultsTest, RegisteredDefaultsAnswerUntilAValueIsStoredAndAreNeverWritten) {
  UD::registerDefaults({{"data", QVariantList{}}, {"count", 3}});
  EXPECT_TRUE(UD::defaultExists("data"));
  EXPECT_TRUE(plist::sameValue(*UD::readDefault("data"), QVariantList{}));
  EXPECT_EQ(UD::readIntegerDefault("count"), 3);
  EXPECT_TRUE(UD::synchronizeDefaults());
  EXPECT_FALSE(UD::readDefault("data", UD::applicationDomain()));

  UD::writeIntegerDefault(9, "count");
  EXPECT_EQ(UD::readIntegerDefault("count"), 9);
  UD::removeDefault("count");
  EXPECT_EQ(UD::readIntegerDefault("count"), 3);
  UD::resetDefaults();  // registered defaults last only for the process
  EXPECT_FALSE(UD::defaultExists("data"));
}

TEST_F(UserDefaultsTest, SearchListIsApplicationThenGlobalThenRegistered) {
  writeDomainFile(UD::globalDomain(), {{"shared", "global"}, {"both", "global"}});
  UD::registerDefaults({{"shared", "registered"}, {"both", "registered"}, {"only", "registered"}});
  UD::writeDefault(QStringLiteral("app"), "both");
  EXPECT_EQ(UD::readDefault("shared")->toString(), "global");
  EXPECT_EQ(UD::readDefault("both")->toString(), "app");
  EXPECT_EQ(UD::readDefault("only")->toString(), "registered");
  const QVariantMap all = UD::allDefaults();
  EXPECT_EQ(all.value("shared").toString(), "global");
  EXPECT_EQ(all.value("both").toString(), "app");
  EXPECT_EQ(all.value("only").toString(), "registered");
  // Writes go to the application's domain only.
  EXPECT_EQ(UD::readDefault("both", UD::globalDomain())->toString(), "global");
}

TEST_F(UserDefaultsTest, TypedReadsConvertLikeThePlatform) {
  const struct {
    const char* name;
    QVariant stored;
    bool asBool;
    qint64 asInteger;
    double asDouble;
    bool asOwnBool;  // the persistent-domain reads use the value's own conversion
  } cases[] = {
      {"YES", str("YES"), true, 0, 0.0, true},
      {"true", str("true"), true, 0, 0.0, true},
      {"no", str("no"), false, 0, 0.0, false},
      {"leading number", str("  42abc"), true, 42, 42.0, true},
      {"signed decimal", str("-3.75e2x"), true, -3, -375.0, true},
      {"leading zeros", str("+0007"), true, 7, 7.0, true},
      {"zero", str("0"), false, 0, 0.0, false},
      {"word", str("abc"), false, 0, 0.0, false},
      {"Tuesday", str("Tuesday"), false, 0, 0.0, true},
      {"integer overflow saturates", str("99999999999999999999"), true, std::numeric_limits<qint64>::max(),
       1e20, true},
      {"integer", i64(7), true, 7, 7.0, true},
      {"double truncates", QVariant(2.9), true, 2, 2.9, true},
      {"huge double saturates", QVariant(-1e300), true, std::numeric_limits<qint64>::min(), -1e300, true},
      {"boolean", QVariant(true), true, 1, 1.0, true},
      {"date", QVariant(QDateTime::currentDateTimeUtc()), false, 0, 0.0, false},
      {"list", QVariant(QVariantList{i64(1)}), false, 0, 0.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UD::writeDefault(c.stored, "k");
    EXPECT_EQ(UD::readBoolDefault("k"), c.asBool);
    EXPECT_EQ(UD::readIntegerDefault("k"), c.asInteger);
    EXPECT_EQ(UD::readDoubleDefault("k"), c.asDouble);
    EXPECT_EQ(UD::readFloatDefault("k"), double(float(c.asDouble)));
    EXPECT_EQ(UD::readBoolDefault("k", UD::applicationDomain()), c.asOwnBool);
    EXPECT_EQ(UD::readIntegerDefault("k", UD::applicationDomain()), c.asInteger);
  }
}

TEST_F(UserDefaultsTest, FloatWritesNarrowToSinglePrecision) {
  UD::writeFloatDefault(0.1, "f");
  EXPECT_EQ(UD::readFloatDefault("f"), 0.10000000149011612);
  UD::resetDefaults();
  EXPECT_EQ(UD::readDefault("f")->userType(), QMetaType::Float);
  EXPECT_EQ(UD::readDoubleDefault("f"), 0.10000000149011612);
  UD::writeDoubleDefault(0.1, "d");
  EXPECT_EQ(UD::readDoubleDefault("d"), 0.1);
  EXPECT_EQ(UD::readFloatDefault("d"), 0.10000000149011612);
}

TEST_F(UserDefaultsTest, EveryKindPersistsExactlyAcrossAFreshStore) {
  const QVariantMap values = everyKind();
  for (auto it = values.cbegin(); it != values.cend(); ++it) UD::writeDefault(it.value(), it.key());
  UD::writeDefault(QVariant(7), "plain int");  // stored as a 64-bit integer
  UD::resetDefaults();
  for (auto it = values.cbegin(); it != values.cend(); ++it) {
    SCOPED_TRACE(it.key().toStdString());
    const auto back = UD::readDefault(it.key());
    ASSERT_TRUE(back);
    EXPECT_TRUE(plist::sameValue(*back, it.value())) << ::testing::PrintToString(*back);
  }
  EXPECT_TRUE(plist::sameValue(*UD::readDefault("plain int"), i64(7)));

  // The file on disk is a binary list, private to the user.
  QFile file(domainFile(UD::applicationDomain()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const auto decoded = plist::decode(file.readAll());
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(plist::sameValue(decoded->toMap().value("map"), values.value("map")));
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(file.fileName()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(QFile::encodeName(storeDirectory()).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(UserDefaultsTest, WritesOfNothingAndOfForeignKinds) {
  UD::writeDefault(i64(1), "k");
  UD::writeDefault(QVariant(), "k");  // an invalid value removes the key
  EXPECT_FALSE(UD::defaultExists("k"));
  UD::writeDefault(QVariantList{QVariant(QPoint(1, 2))}, "point");  // not storable: ignored
  EXPECT_FALSE(UD::defaultExists("point"));
  UD::writeBoolDefault(true, "b");
  EXPECT_TRUE(UD::synchronizeDefaults());  // the store stays writable
  EXPECT_EQ(UD::readDefault("b")->userType(), QMetaType::Bool);
}

TEST_F(UserDefaultsTest, ArchivedDataRoundTripsAndRejectsOtherData) {
  const QVariant archived =
      QVariantList{everyKind(), QVariant::fromValue(nullptr),
                   QVariant::fromValue(std::numeric_limits<quint64>::max()), QString(QChar(0xDC00))};
  QString error;
  ASSERT_TRUE(archive::archive(archived, &error)) << error.toStdString();
  UD::writeArchivedDataDefault(archived, "archived");
  UD::resetDefaults();
  EXPECT_EQ(UD::readDefault("archived")->userType(), QMetaType::QByteArray);
  testsupport::LogCapture log;
  const auto back = UD::readArchivedDataDefault("archived");
  ASSERT_TRUE(back);
  EXPECT_TRUE(plist::sameValue(*back, archived)) << ::testing::PrintToString(*back);

  UD::writeDefault(QStringLiteral("plain"), "string");
  EXPECT_EQ(UD::readArchivedDataDefault("string")->toString(), "plain");
  EXPECT_FALSE(UD::readArchivedDataDefault("absent"));
  EXPECT_TRUE(log.lines().isEmpty());

  UD::writeDefault(QByteArray("not an archive"), "junk");
  EXPECT_FALSE(UD::readArchivedDataDefault("junk"));
  EXPECT_EQ(log.lines(), QStringList{"error: data is not an archived value"});

  QByteArray truncated = *archive::archive(QVariantList{1, 2, 3});
  truncated.chop(1);
  UD::writeDefault(truncated, "truncated");
  EXPECT_FALSE(UD::readArchivedDataDefault("truncated"));
  ASSERT_EQ(log.lines().size(), 2);
  EXPECT_TRUE(log.lines()[1].startsWith("error: archived value is damaged")) << log.lines()[1].toStdString();

  // The domain variant reports the reason instead of logging it.
  EXPECT_FALSE(UD::readArchivedDataDefault("junk", UD::applicationDomain(), &error));
  EXPECT_EQ(error, "data is not an archived value");
  EXPECT_EQ(log.lines().size(), 2);
}

TEST_F(UserDefaultsTest, AbsentOrImpossiblePersistentDomainReadsAsNothing) {
  for (const QString& domain : {QStringLiteral("com.example.never"), QStringLiteral("../escape"), QString(),
                                QStringLiteral(".."), QStringLiteral("a/b")}) {
    SCOPED_TRACE(domain.toStdString());
    EXPECT_FALSE(UD::allDefaultsForPersistentDomain(domain));
    EXPECT_FALSE(UD::readDefault("k", domain));
    EXPECT_FALSE(UD::readBoolDefault("k", domain));
    EXPECT_EQ(UD::readIntegerDefault("k", domain), 0);
    EXPECT_EQ(UD::readDoubleDefault("k", domain), 0.0);
    EXPECT_EQ(UD::readFloatDefault("k", domain), 0.0);
    EXPECT_FALSE(UD::readArchivedDataDefault("k", domain));
    EXPECT_FALSE(UD::defaultExists("k", domain));
  }
  UD::writeIntegerDefault(5, "n");
  EXPECT_EQ(UD::allDefaultsForPersistentDomain(UD::applicationDomain())->value("n"), i64(5));
  UD::removeDefault("n");
  EXPECT_FALSE(UD::allDefaultsForPersistentDomain(UD::applicationDomain()));
}

TEST_F(UserDefaultsTest, LastDirectoryExpandsALeadingTilde) {
  const QString home = QDir::homePath();
  const struct {
    const char* name;
    QVariant stored;
    QString expected;
  } cases[] = {
      {"nothing stored", QVariant(), home + "/Desktop"},
      {"tilde and a path", str("~/Documents"), home + "/Documents"},
      {"tilde alone", str("~"), home},
      {"absolute path unchanged", str("/srv/calls"), "/srv/calls"},
      {"another user's tilde unchanged", str("~bob/x"), "~bob/x"},
      {"tilde inside unchanged", str("/a/~/b"), "/a/~/b"},
      {"empty string", str(""), home + "/Desktop"},
      {"not a string", i64(5), home + "/Desktop"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UD::writeDefault(c.stored, "NSNavLastRootDirectory");
    EXPECT_EQ(UD::lastDirectory(), c.expected);
  }
}

TEST_F(UserDefaultsTest, PositionWindowOnLaunchCentresOnlyWithoutASavedFrame) {
  QWidget window;
  window.setObjectName("Main");
  window.resize(320, 200);
  window.move(5, 7);
  UD::positionWindowOnLaunch(&window);
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE((window.frameGeometry().center() - available.center()).manhattanLength(), 1);

  UD::writeDefault(QStringLiteral("5 7 320 200 0 0 1024 768 "), "NSWindow Frame Main");
  window.move(5, 7);
  UD::positionWindowOnLaunch(&window);
  EXPECT_EQ(window.pos(), QPoint(5, 7));
  UD::positionWindowOnLaunch(nullptr);  // harmless
}

}  // namespace
