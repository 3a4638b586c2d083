#include "prefs/value_conversion.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <limits>

namespace defaults_conversion {

namespace {

bool isNumber(const QVariant& v) {
  switch (v.userType()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
      return true;
    default:
      return false;
  }
}

bool isIntegral(const QVariant& v) {
  return v.userType() != QMetaType::Double && v.userType() != QMetaType::Float;
}

// The string's UTF-8 form with leading white space removed.
QByteArray leadingTrimmed(const QVariant& value) {
  const QString s = value.toString();
  qsizetype i = 0;
  while (i < s.size() && s[i].isSpace()) ++i;
  return QStringView(s).mid(i).toUtf8();
}

qint64 saturate(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775808.0) return std::numeric_limits<qint64>::max();
  if (d < -9223372036854775808.0) return std::numeric_limits<qint64>::min();
  return qint64(d);
}

qint64 stringInteger(const QVariant& value) {
  const QByteArray text = leadingTrimmed(value);
  const char* p = text.constData();
  const char* end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  quint64 magnitude = 0;
  const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                 : quint64(std::numeric_limits<qint64>::max());
  for (; p != end && *p >= '0' && *p <= '9'; ++p) {
    const unsigned digit = unsigned(*p - '0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

double stringDouble(const QVariant& value) {
  const QByteArray text = leadingTrimmed(value);
  const char* p = text.constData();
  const char* end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '+' || *p == '-')) ++p;
  double d = 0;
  const auto [ptr, ec] = std::from_chars(p, end, d);
  if (ec == std::errc::result_out_of_range) {
    // from_chars leaves d alone on overflow; tell huge from tiny by the exponent.
    const QByteArray digits(p, ptr - p);
    const bool tiny = digits.contains("e-") || digits.contains("E-");
    d = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (ec != std::errc()) {
    return 0.0;
  }
  return negative ? -d : d;
}

}  // namespace

bool defaultsBool(const QVariant& value) {
  if (isNumber(value)) return isIntegral(value) ? value.toLongLong() != 0 : value.toDouble() != 0.0;
  if (value.userType() != QMetaType::QString) return false;
  const QString s = value.toString();
  if (s.compare(u"yes", Qt::CaseInsensitive) == 0 || s.compare(u"true", Qt::CaseInsensitive) == 0)
    return true;
  if (s.compare(u"no", Qt::CaseInsensitive) == 0 || s.compare(u"false", Qt::CaseInsensitive) == 0)
    return false;
  return stringInteger(value) != 0;
}

bool ownBool(const QVariant& value) {
  if (isNumber(value)) return isIntegral(value) ? value.toLongLong() != 0 : value.toDouble() != 0.0;
  if (value.userType() != QMetaType::QString) return false;
  const QByteArray text = leadingTrimmed(value);
  qsizetype i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  if (i == text.size()) return false;
  const char c = text[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

qint64 toInteger(const QVariant& value) {
  if (value.userType() == QMetaType::QString) return stringInteger(value);
  if (!isNumber(value)) return 0;
  if (value.userType() == QMetaType::ULongLong) {
    const quint64 u = value.toULongLong();
    return u > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max() : qint64(u);
  }
  return isIntegral(value) ? value.toLongLong() : saturate(value.toDouble());
}

double toDouble(const QVariant& value) {
  if (value.userType() == QMetaType::QString) return stringDouble(value);
  if (!isNumber(value)) return 0.0;
  return value.toDouble();
}

}  // namespace defaults_conversion
