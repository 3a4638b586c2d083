#include "app/call_dates.h"

#include <gtest/gtest.h>
#include <unicode/basictz.h>
#include <unicode/datefmt.h>
#include <unicode/tztrans.h>

#include <QRandomGenerator>
#include <QTimeZone>
#include <algorithm>
#include <memory>
#include <vector>

#include "app/call_list_io.h"
#include "testsupport/qt_printers.h"

namespace {

QDateTime utc(const char* iso) {
  return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

// ICU's own text and reading of the export style, the reference for ours.
QString icuText(const QDateTime& when) {
  std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
      icu::DateFormat::kShort, icu::DateFormat::kMedium, icu::Locale::getDefault()));
  icu::UnicodeString text;
  format->format(UDate(when.toMSecsSinceEpoch()), text);
  return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

std::optional<QDateTime> icuRead(const QString& text) {
  std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
      icu::DateFormat::kShort, icu::DateFormat::kMedium, icu::Locale::getDefault()));
  icu::ParsePosition pos(0);
  const UDate when = format->parse(
      icu::UnicodeString(false, reinterpret_cast<const char16_t*>(text.utf16()), text.size()), pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != text.size()) return std::nullopt;
  return QDateTime::fromMSecsSinceEpoch(qint64(when), QTimeZone::utc());
}

constexpr const char* kLocales[] = {"en_US", "de_DE", "fr_FR", "ja_JP", "en_GB", "ar_EG", "th_TH", "ko_KR"};

// Instants that reach one- and two-digit fields, noon and midnight, both
// sides of the daylight-saving changes, and the repeated hour in October.
constexpr const char* kInstants[] = {
    "2026-01-02T03:04:05Z", "2026-12-31T22:59:59Z", "2026-06-15T10:00:00Z", "2026-06-14T22:00:00Z",
    "2026-03-29T00:59:59Z", "2026-03-29T01:00:00Z", "2026-10-25T00:30:00Z", "2026-10-25T01:30:00Z",
    "1999-09-09T09:09:09Z", "2040-02-29T11:59:59Z", "1970-01-01T00:00:00Z",
};

// The fast path must write and read exactly what ICU writes and reads.
TEST(CallDates, FormatAndParseAgreeWithIcu) {
  for (const char* locale : kLocales) {
    ScopedCallDateLocale defaults(locale, "Europe/Berlin");
    for (const char* instant : kInstants) {
      SCOPED_TRACE(std::string(locale) + " " + instant);
      const QString text = formatCallDate(utc(instant));
      EXPECT_EQ(text, icuText(utc(instant)));
      EXPECT_EQ(parseCallDate(text), icuRead(text));
    }
  }
}

// Many dates of the same days, as a call list holds them: every quarter hour
// around both daylight-saving changes and an ordinary day reads as ICU reads it.
TEST(CallDates, DaysOfManyDatesAgreeWithIcu) {
  ScopedCallDateLocale defaults("en_GB", "Europe/Berlin");
  for (const char* start : {"2026-03-28T20:00:00Z", "2026-10-24T20:00:00Z", "2026-06-14T20:00:00Z"}) {
    for (int quarter = 0; quarter < 4 * 30; ++quarter) {
      const QDateTime when = utc(start).addSecs(quarter * 900 + 7);
      const QString text = icuText(when);
      SCOPED_TRACE(text.toStdString());
      EXPECT_EQ(parseCallDate(text), icuRead(text));
    }
  }
}

// Instants as a long call list holds them, in no order: any time from 1600 to
// 9999, many in the last decades, and many within a day of the zone's
// transitions (daylight saving and historical changes of the standard
// offset), on both sides and at the very millisecond of each.
std::vector<qint64> randomInstants(QRandomGenerator& random) {
  std::vector<qint64> instants;
  const auto between = [&](qint64 from, qint64 to) {
    return from + qint64(random.bounded(quint64(to - from)));
  };
  for (int i = 0; i < 3000; ++i) instants.push_back(between(-11676096000000, 253402300799999));
  for (int i = 0; i < 6000; ++i) instants.push_back(between(946684800000, 1893456000000));
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  if (const auto* basic = dynamic_cast<const icu::BasicTimeZone*>(zone.get())) {
    icu::TimeZoneTransition transition;
    for (UDate at = -11676096000000.0; basic->getNextTransition(at, false, transition) && at < 2.5e12;) {
      at = transition.getTime();
      for (const qint64 delta : {qint64(-1), qint64(0), qint64(999), qint64(1000)})
        instants.push_back(qint64(at) + delta);
      for (int i = 0; i < 8; ++i) instants.push_back(between(qint64(at) - 86400000, qint64(at) + 86400000));
    }
  }
  std::shuffle(instants.begin(), instants.end(), random);
  return instants;
}

// The export's UTF-8 dates, and the table's text, are ICU's text for every
// instant, in locales with and without the fast path (Korean writes its day
// periods in Hangul; Arabic and Thai digits, and the Buddhist calendar, are
// left to ICU), in two zones with different transitions.
TEST(CallDates, RandomInstantsAgreeWithIcu) {
  QRandomGenerator random(20261207);
  for (const char* zone : {"Europe/Berlin", "America/New_York"}) {
    for (const char* locale : {"en_US", "de_DE", "ko_KR", "bg_BG", "ar_EG", "th_TH"}) {
      ScopedCallDateLocale defaults(locale, zone);
      std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
          icu::DateFormat::kShort, icu::DateFormat::kMedium, icu::Locale::getDefault()));
      qsizetype fast = 0;
      for (const qint64 msecs : randomInstants(random)) {
        icu::UnicodeString reference;
        format->format(UDate(msecs), reference);
        std::string expected;
        reference.toUTF8String(expected);
        SCOPED_TRACE(std::string(locale) + " " + zone + " " + expected + " " + std::to_string(msecs));
        char bytes[kCallDateUtf8Room];
        if (const char* end = writeCallDateUtf8(msecs, bytes)) {
          ++fast;
          ASSERT_EQ(std::string(bytes, size_t(end - bytes)), expected);
        }
        ASSERT_EQ(formatCallDate(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC)).toStdString(), expected);
      }
      // The numeric patterns take the fast path, the others do not.
      const bool numeric = std::string_view(locale) != "ar_EG" && std::string_view(locale) != "th_TH";
      EXPECT_EQ(fast > 0, numeric) << locale;
    }
  }
}

TEST(CallDates, RoundTripToTheSecond) {
  for (const char* locale : {"en_US", "de_DE", "fr_FR", "ja_JP"}) {
    for (const char* zone : {"Europe/Berlin", "America/New_York", "Asia/Tokyo", "UTC"}) {
      ScopedCallDateLocale defaults(locale, zone);
      for (const char* instant :
           {"2026-01-02T03:04:05.678Z", "2026-07-31T23:59:59.999Z", "1990-05-06T12:00:00Z"}) {
        SCOPED_TRACE(std::string(locale) + " " + zone + " " + instant);
        const QDateTime when = utc(instant);
        EXPECT_EQ(parseCallDate(formatCallDate(when)), when.addMSecs(-when.time().msec()));
      }
    }
  }
}

TEST(CallDates, ReadsOtherForms) {
  ScopedCallDateLocale defaults("en_US", "Europe/Berlin");
  const QChar narrow(0x202F), noBreak(0x00A0);
  const struct {
    QString text;
    std::optional<QDateTime> expected;
  } cases[] = {
      {QStringLiteral("12/6/26, 3:04:05 PM"), utc("2026-12-06T14:04:05Z")},
      {QStringLiteral("12/6/26, 3:04:05") + narrow + QStringLiteral("PM"), utc("2026-12-06T14:04:05Z")},
      {QStringLiteral("12/6/26,") + noBreak + QStringLiteral("3:04:05") + noBreak + QStringLiteral("pm"),
       utc("2026-12-06T14:04:05Z")},
      {QStringLiteral("  12/6/26, 3:04:05 PM\t"), utc("2026-12-06T14:04:05Z")},
      {QStringLiteral("12/6/26, 3:04 PM"), utc("2026-12-06T14:04:00Z")},
      {QStringLiteral("12/6/26"), utc("2026-12-05T23:00:00Z")},
      {QStringLiteral("2026-12-06"), utc("2026-12-05T23:00:00Z")},
      {QStringLiteral("2026-07-06T15:04:05"), utc("2026-07-06T13:04:05Z")},
      {QStringLiteral("2026-07-06T15:04:05Z"), utc("2026-07-06T15:04:05Z")},
      {QStringLiteral("2026-07-06T15:04:05+05:30"), utc("2026-07-06T09:34:05Z")},
      {QStringLiteral("2024-03-05 14:07"), utc("2024-03-05T13:07:00Z")},
      {QStringLiteral("2026-07-06T15:04:05.25+0200"), utc("2026-07-06T13:04:05.250Z")},
      {QStringLiteral("2026-07-06 15:04:05-03"), utc("2026-07-06T18:04:05Z")},
      {QStringLiteral("2026-02-30"), std::nullopt},
      {QStringLiteral("2026-07-06T25:00"), std::nullopt},
      {QStringLiteral("2026-7-6"), std::nullopt},
      {QStringLiteral("Dec 6, 2026"), utc("2026-12-05T23:00:00Z")},
      {QStringLiteral("December 6, 2026"), utc("2026-12-05T23:00:00Z")},
      {QStringLiteral("Dec 6, 2026, 3:04:05 PM"), utc("2026-12-06T14:04:05Z")},
      {QStringLiteral("Sunday, December 6, 2026"), utc("2026-12-05T23:00:00Z")},
      {QStringLiteral(""), std::nullopt},
      {QStringLiteral("   "), std::nullopt},
      {QStringLiteral("yesterday"), std::nullopt},
      {QStringLiteral("call back"), std::nullopt},
      {QStringLiteral("12/6/26, 3:04:05 PM and more"), std::nullopt},
      {QStringLiteral("2026-12-06 later"), std::nullopt},
      {QStringLiteral("555-1234"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(parseCallDate(c.text), c.expected);
  }
}

TEST(CallDates, InvalidDateFormatsAsEmpty) { EXPECT_EQ(formatCallDate(QDateTime()), QString()); }

}  // namespace
