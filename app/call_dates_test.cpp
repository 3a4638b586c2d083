#include "app/call_dates.h"

#include <gtest/gtest.h>
#include <unicode/datefmt.h>

#include <QTimeZone>
#include <memory>

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
