// Dates without ICU where a locale's pattern allows: Gregorian arithmetic on
// day numbers, and a renderer and strict reader of the short, purely numeric
// date and time patterns (en_US "M/d/yy, h:mm:ss a", de_DE "dd.MM.yy,
// HH:mm:ss", ...). The call-date formatter checks them against ICU before it
// uses them for a locale.
#pragma once

#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <vector>

namespace calldates {

inline QString fromIcu(const icu::UnicodeString& s) {
  return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// A read-only ICU view of a QString; valid while `s` lives.
inline icu::UnicodeString icuView(const QString& s) {
  return icu::UnicodeString(false, reinterpret_cast<const char16_t*>(s.utf16()), int32_t(s.size()));
}

inline bool isSpaceLike(char16_t c) { return c == u' ' || c == 0x00A0 || c == 0x202F; }

// --- Gregorian arithmetic on day numbers (days since 1970-01-01) -----------

struct CivilDate {
  qint64 year;
  int month;
  int day;
};

inline CivilDate civilFromDays(qint64 z) {
  z += 719468;
  const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const int day = int(doy - (153 * mp + 2) / 5 + 1);
  const int month = int(mp < 10 ? mp + 3 : mp - 9);
  return {qint64(yoe) + era * 400 + (month <= 2), month, day};
}

// The inverse of civilFromDays, for months 1 to 12.
inline qint64 daysFromCivil(qint64 year, int month, int day) {
  year -= month <= 2;
  const qint64 era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = unsigned(year - era * 400);
  const unsigned doy = unsigned((153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + qint64(doe) - 719468;
}

inline int daysInMonth(qint64 year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// --- The numeric pattern: render and read without ICU ----------------------

enum class Field { Literal, Year, Month, Day, Hour24, Hour12, Minute, Second, AmPm };

struct PatternPart {
  Field field = Field::Literal;
  int width = 0;  // the pattern letter count
  QString literal;
  QByteArray utf8;  // the literal as UTF-8
};

struct LocalFields {
  qint64 year;
  int month, day, hour, minute, second;
};

class NumericPattern {
 public:
  // Splits an ICU pattern into parts; nothing when it uses a field that is not
  // numeric (month names, weekdays, eras, zones) or puts two numbers side by side.
  static std::optional<NumericPattern> from(const icu::SimpleDateFormat& format);

  void render(const LocalFields& f, QString& out) const;
  // The same text as UTF-8, parts [first, last) of the pattern, written at
  // `out` (room for maxUtf8Size() bytes); answers the end.
  char* renderUtf8(const LocalFields& f, char* out, size_t first, size_t last) const;
  [[nodiscard]] size_t partCount() const { return parts_.size(); }
  // The parts before the first time field, which depend on the day alone;
  // zero when their text may be too long to keep per day.
  [[nodiscard]] size_t dayParts() const { return dayParts_; }
  [[nodiscard]] qsizetype maxUtf8Size() const { return maxUtf8Size_; }
  // Reads `text` whole; nothing when it does not follow the pattern exactly or
  // a field is out of range (ICU's lenient parser then has its say).
  [[nodiscard]] std::optional<LocalFields> read(QStringView text) const;

 private:
  void prepareUtf8();

  std::vector<PatternPart> parts_;
  QString am_, pm_;
  QByteArray amUtf8_, pmUtf8_;
  int centuryStartYear_ = 0;  // two-digit years fall in [start, start + 100)
  size_t dayParts_ = 0;
  qsizetype maxUtf8Size_ = 0;
};

// The most bytes of a day's text that are kept per day.
constexpr qsizetype kDayTextRoom = 46;

}  // namespace calldates
