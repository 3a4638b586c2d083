#include "app/numeric_date_pattern.h"

#include <unicode/dtfmtsym.h>

#include <cstring>

namespace calldates {

namespace {

std::optional<Field> fieldFor(char16_t letter, int width) {
  switch (letter) {
    case u'y':
      return Field::Year;
    case u'M':
      return width <= 2 ? std::optional(Field::Month) : std::nullopt;
    case u'd':
      return width <= 2 ? std::optional(Field::Day) : std::nullopt;
    case u'H':
      return width <= 2 ? std::optional(Field::Hour24) : std::nullopt;
    case u'h':
      return width <= 2 ? std::optional(Field::Hour12) : std::nullopt;
    case u'm':
      return width <= 2 ? std::optional(Field::Minute) : std::nullopt;
    case u's':
      return width <= 2 ? std::optional(Field::Second) : std::nullopt;
    case u'a':
      return width <= 3 ? std::optional(Field::AmPm) : std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<NumericPattern> NumericPattern::from(const icu::SimpleDateFormat& format) {
  icu::UnicodeString icuPattern;
  format.toPattern(icuPattern);
  const QString pattern = fromIcu(icuPattern);
  NumericPattern result;
  bool hasHour12 = false, hasAmPm = false;
  for (qsizetype i = 0; i < pattern.size();) {
    const char16_t c = pattern[i].unicode();
    if (c == u'\'') {  // quoted literal; '' stands for one quote, inside or out
      QString text;
      qsizetype j = i + 1;
      if (j < pattern.size() && pattern[j] == u'\'') {
        text = QStringLiteral("'");
      } else {
        for (; j < pattern.size(); ++j) {
          if (pattern[j] != u'\'')
            text += pattern[j];
          else if (j + 1 < pattern.size() && pattern[j + 1] == u'\'')
            text += pattern[++j];
          else
            break;
        }
      }
      result.parts_.push_back({Field::Literal, 0, text, {}});
      i = j + 1;
      continue;
    }
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) {
      qsizetype j = i;
      while (j < pattern.size() && pattern[j] == c) ++j;
      const int width = int(j - i);
      const std::optional<Field> field = fieldFor(c, width);
      if (!field) return std::nullopt;
      const bool numeric = *field != Field::AmPm;
      if (numeric && !result.parts_.empty() && result.parts_.back().field != Field::Literal &&
          result.parts_.back().field != Field::AmPm)
        return std::nullopt;  // abutting numbers: ICU splits them by width
      hasHour12 |= *field == Field::Hour12;
      hasAmPm |= *field == Field::AmPm;
      result.parts_.push_back({*field, width, {}, {}});
      i = j;
      continue;
    }
    if (!result.parts_.empty() && result.parts_.back().field == Field::Literal)
      result.parts_.back().literal += QChar(c);
    else
      result.parts_.push_back({Field::Literal, 0, QString(QChar(c)), {}});
    ++i;
  }
  if (hasHour12 != hasAmPm) return std::nullopt;
  int32_t count = 0;
  const icu::UnicodeString* amPm = format.getDateFormatSymbols()->getAmPmStrings(count);
  if (hasAmPm && count < 2) return std::nullopt;
  if (count >= 2) result.am_ = fromIcu(amPm[0]), result.pm_ = fromIcu(amPm[1]);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> calendar(format.getCalendar()->clone());
  calendar->setTime(format.get2DigitYearStart(status), status);
  result.centuryStartYear_ = calendar->get(UCAL_YEAR, status);
  if (U_FAILURE(status)) return std::nullopt;
  result.prepareUtf8();
  return result;
}

// The UTF-8 forms of the literals and the bound on a rendered text's size
// (years of the fast path have at most four digits).
void NumericPattern::prepareUtf8() {
  amUtf8_ = am_.toUtf8();
  pmUtf8_ = pm_.toUtf8();
  qsizetype size = 0, daySize = 0;
  dayParts_ = parts_.size();
  for (size_t i = 0; i < parts_.size(); ++i) {
    PatternPart& part = parts_[i];
    const bool timeField = part.field == Field::Hour24 || part.field == Field::Hour12 ||
                           part.field == Field::Minute || part.field == Field::Second ||
                           part.field == Field::AmPm;
    if (timeField && dayParts_ == parts_.size()) dayParts_ = i, daySize = size;
    part.utf8 = part.literal.toUtf8();
    size += part.field == Field::Literal ? part.utf8.size()
            : part.field == Field::AmPm  ? std::max(amUtf8_.size(), pmUtf8_.size())
                                         : std::max(part.width, 4);
  }
  if (dayParts_ == parts_.size()) daySize = size;
  if (daySize > kDayTextRoom) dayParts_ = 0;
  maxUtf8Size_ = size;
}

namespace {

void appendNumber(QString& out, qint64 value, int width) {
  char digits[24];
  int n = 0;
  do digits[n++] = char('0' + value % 10), value /= 10;
  while (value > 0);
  for (int pad = width - n; pad > 0; --pad) out += u'0';
  while (n > 0) out += QLatin1Char(digits[--n]);
}

}  // namespace

void NumericPattern::render(const LocalFields& f, QString& out) const {
  for (const PatternPart& part : parts_) {
    switch (part.field) {
      case Field::Literal:
        out += part.literal;
        break;
      case Field::Year:
        appendNumber(out, part.width == 2 ? f.year % 100 : f.year, part.width);
        break;
      case Field::Month:
        appendNumber(out, f.month, part.width);
        break;
      case Field::Day:
        appendNumber(out, f.day, part.width);
        break;
      case Field::Hour24:
        appendNumber(out, f.hour, part.width);
        break;
      case Field::Hour12:
        appendNumber(out, f.hour % 12 == 0 ? 12 : f.hour % 12, part.width);
        break;
      case Field::Minute:
        appendNumber(out, f.minute, part.width);
        break;
      case Field::Second:
        appendNumber(out, f.second, part.width);
        break;
      case Field::AmPm:
        out += f.hour < 12 ? am_ : pm_;
        break;
    }
  }
}

namespace {

// Writes `value` (not negative) in decimal, zero-padded to `width` digits.
char* writeNumber(char* out, qint64 value, int width) {
  if (value < 100 && width <= 2) {
    if (value >= 10 || width == 2) {
      out[0] = char('0' + value / 10);
      out[1] = char('0' + value % 10);
      return out + 2;
    }
    *out = char('0' + value);
    return out + 1;
  }
  char digits[24];
  int n = 0;
  do digits[n++] = char('0' + value % 10), value /= 10;
  while (value > 0);
  for (int pad = width - n; pad > 0; --pad) *out++ = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

char* writeBytes(char* out, const QByteArray& bytes) {
  std::memcpy(out, bytes.constData(), size_t(bytes.size()));
  return out + bytes.size();
}

}  // namespace

char* NumericPattern::renderUtf8(const LocalFields& f, char* out, size_t first, size_t last) const {
  for (size_t i = first; i < last; ++i) {
    const PatternPart& part = parts_[i];
    switch (part.field) {
      case Field::Literal:
        out = writeBytes(out, part.utf8);
        break;
      case Field::Year:
        out = writeNumber(out, part.width == 2 ? f.year % 100 : f.year, part.width);
        break;
      case Field::Month:
        out = writeNumber(out, f.month, part.width);
        break;
      case Field::Day:
        out = writeNumber(out, f.day, part.width);
        break;
      case Field::Hour24:
        out = writeNumber(out, f.hour, part.width);
        break;
      case Field::Hour12:
        out = writeNumber(out, f.hour % 12 == 0 ? 12 : f.hour % 12, part.width);
        break;
      case Field::Minute:
        out = writeNumber(out, f.minute, part.width);
        break;
      case Field::Second:
        out = writeNumber(out, f.second, part.width);
        break;
      case Field::AmPm:
        out = writeBytes(out, f.hour < 12 ? amUtf8_ : pmUtf8_);
        break;
    }
  }
  return out;
}

// Reads up to `maxDigits` ASCII digits at `pos`; -1 when there is none.
namespace {

int readDigits(QStringView text, qsizetype& pos, int maxDigits, int& count) {
  int value = 0;
  count = 0;
  while (pos < text.size() && count < maxDigits && text[pos] >= u'0' && text[pos] <= u'9')
    value = value * 10 + (text[pos++].unicode() - u'0'), ++count;
  const bool more = pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9';
  return count == 0 || more ? -1 : value;
}

bool readLiteral(QStringView text, qsizetype& pos, const QString& literal) {
  for (QChar want : literal) {
    if (pos >= text.size()) return false;
    const char16_t got = text[pos].unicode();
    if (got != want.unicode() && !(isSpaceLike(got) && isSpaceLike(want.unicode()))) return false;
    ++pos;
  }
  return true;
}

}  // namespace

std::optional<LocalFields> NumericPattern::read(QStringView text) const {
  LocalFields f{1970, 1, 1, 0, 0, 0};
  int pm = -1;
  qsizetype pos = 0;
  for (const PatternPart& part : parts_) {
    int digits = 0, value = 0;
    switch (part.field) {
      case Field::Literal:
        if (!readLiteral(text, pos, part.literal)) return std::nullopt;
        continue;
      case Field::AmPm:
        if (text.mid(pos).startsWith(am_, Qt::CaseInsensitive))
          pm = 0, pos += am_.size();
        else if (text.mid(pos).startsWith(pm_, Qt::CaseInsensitive))
          pm = 1, pos += pm_.size();
        else
          return std::nullopt;
        continue;
      default:
        break;
    }
    value = readDigits(text, pos, part.field == Field::Year ? 4 : 2, digits);
    if (value < 0) return std::nullopt;
    switch (part.field) {
      case Field::Year:
        if (part.width <= 2 && digits == 2) {
          const int ambiguous = centuryStartYear_ % 100;
          if (value == ambiguous) return std::nullopt;  // ICU decides by the full date
          value += (centuryStartYear_ / 100) * 100 + (value < ambiguous ? 100 : 0);
        } else if (value < 1600) {
          return std::nullopt;  // Julian-calendar years: leave them to ICU
        }
        f.year = value;
        break;
      case Field::Month:
        f.month = value;
        break;
      case Field::Day:
        f.day = value;
        break;
      case Field::Hour24:
      case Field::Hour12:
        f.hour = value;
        break;
      case Field::Minute:
        f.minute = value;
        break;
      case Field::Second:
        f.second = value;
        break;
      default:
        break;
    }
  }
  if (pos != text.size()) return std::nullopt;
  if (pm >= 0) {
    if (f.hour < 1 || f.hour > 12) return std::nullopt;
    f.hour = f.hour % 12 + (pm ? 12 : 0);
  }
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > daysInMonth(f.year, f.month) || f.hour > 23 ||
      f.minute > 59 || f.second > 59)
    return std::nullopt;
  return f;
}

}  // namespace calldates
