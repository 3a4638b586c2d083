#include "text/string_numbers.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

#include "text/c_locales.h"
#include "text/character_sets.h"

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

qsizetype skipWhitespace(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && isWhitespaceOrNewline(text[i].unicode())) ++i;
  return i;
}

qsizetype skipDigits(QStringView text, qsizetype i) {
  while (i < text.size() && isDigit(text[i].unicode())) ++i;
  return i;
}

// Roughly log10 of the non-zero number `ascii` (sign, digits, '.', exponent):
// above 0 for magnitudes from 1 up, at most 0 below.
qint64 decimalOrder(const std::string& ascii) {
  qint64 order = 0;
  bool seenPoint = false, seenNonZero = false;
  std::size_t i = 0;
  for (; i < ascii.size() && ascii[i] != 'e' && ascii[i] != 'E'; ++i) {
    const char c = ascii[i];
    if (c == '.') {
      seenPoint = true;
    } else if (c >= '0' && c <= '9') {
      if (c != '0') seenNonZero = true;
      if (seenNonZero && !seenPoint) ++order;
      if (!seenNonZero && seenPoint) --order;
    }
  }
  if (i < ascii.size()) {
    const QString exponent = QString::fromLatin1(ascii.data() + i + 1, qsizetype(ascii.size() - i - 1));
    constexpr qint64 kBound = std::numeric_limits<qint64>::max() / 4;
    order = std::clamp(order, -kBound, kBound) + std::clamp(integerValue(exponent), -kBound, kBound);
  }
  return order;
}

}  // namespace

qint64 integerValue(QStringView text) {
  qsizetype i = skipWhitespace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  // Accumulate towards the sign's side so INT64_MIN needs no special case.
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  constexpr qint64 kMin = std::numeric_limits<qint64>::min();
  qint64 value = 0;
  for (; i < text.size() && isDigit(text[i].unicode()); ++i) {
    const int digit = text[i].unicode() - u'0';
    if (negative) {
      if (value < (kMin + digit) / 10) return kMin;
      value = value * 10 - digit;
    } else {
      if (value > (kMax - digit) / 10) return kMax;
      value = value * 10 + digit;
    }
  }
  return value;
}

float floatValue(QStringView text) {
  const qsizetype start = skipWhitespace(text);
  qsizetype i = start;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  const qsizetype intEnd = skipDigits(text, i);
  bool anyDigit = intEnd > i;
  i = intEnd;
  if (i < text.size() && text[i] == u'.') {
    const qsizetype fracEnd = skipDigits(text, i + 1);
    anyDigit = anyDigit || fracEnd > i + 1;
    i = fracEnd;
  }
  if (!anyDigit) return 0.0f;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    qsizetype e = i + 1;
    if (e < text.size() && (text[e] == u'-' || text[e] == u'+')) ++e;
    const qsizetype expEnd = skipDigits(text, e);
    if (expEnd > e) i = expEnd;
  }

  // The number is plain ASCII now; std::from_chars rounds it correctly and
  // ignores the C locale's decimal separator. It takes no leading '+'.
  std::string ascii;
  ascii.reserve(i - start);
  for (qsizetype k = start; k < i; ++k) {
    const char c = static_cast<char>(text[k].unicode());
    if (k != start || c != '+') ascii.push_back(c);
  }
  float value = 0.0f;
  if (std::from_chars(ascii.data(), ascii.data() + ascii.size(), value).ec ==
      std::errc::result_out_of_range) {
    // from_chars leaves the value alone when it is out of range; the decimal
    // order of magnitude tells overflow (infinity) from underflow (zero).
    const float magnitude = decimalOrder(ascii) > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    return ascii.front() == '-' ? -magnitude : magnitude;
  }
  return value;
}

namespace Tirr_NSStringAdditions {

namespace {

// White space as the C locale's isspace() sees it.
bool isCSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// A base-10 integer as strtoll and strtoull read it in the C locale. Code units
// beyond ASCII end it just as their UTF-8 bytes would, so the text is read in
// place, without converting it.
struct DecimalReading {
  bool hasDigits = false;
  bool negative = false;
  bool beyond64Bits = false;  // the digits' magnitude exceeds 2^64 - 1
  quint64 magnitude = 0;
};

DecimalReading readDecimal(QStringView text) {
  DecimalReading reading;
  const char16_t* p = text.utf16();
  const char16_t* const end = p + text.size();
  while (p < end && isCSpace(*p)) ++p;
  if (p < end && (*p == u'+' || *p == u'-')) reading.negative = *p++ == u'-';
  const char16_t* const digits = p;
  auto isDigitAt = [&](const char16_t* q) { return q < end && *q >= u'0' && *q <= u'9'; };
  // Nineteen digits cannot overflow 64 bits. Taking them two at a time halves
  // the chain of dependent multiplications.
  const char16_t* const safe = p + std::min<qsizetype>(end - p, 19);
  quint64 magnitude = 0;
  for (; p + 1 < safe && isDigitAt(p) && isDigitAt(p + 1); p += 2)
    magnitude = magnitude * 100 + unsigned(p[0] - u'0') * 10 + unsigned(p[1] - u'0');
  if (p < safe && isDigitAt(p)) magnitude = magnitude * 10 + unsigned(*p++ - u'0');
  bool beyond = false;
  for (; isDigitAt(p); ++p) {
    beyond = beyond || __builtin_mul_overflow(magnitude, 10u, &magnitude) ||
             __builtin_add_overflow(magnitude, unsigned(*p - u'0'), &magnitude);
  }
  reading.hasDigits = p != digits;
  reading.beyond64Bits = beyond;
  reading.magnitude = beyond ? std::numeric_limits<quint64>::max() : magnitude;
  return reading;
}

// strtoll's result and whether it succeeded (errno stayed 0 and digits came).
std::pair<qint64, bool> toSigned(const DecimalReading& r) {
  constexpr quint64 kLeastMagnitude = quint64(1) << 63;
  if (!r.hasDigits) return {0, false};
  if (r.negative) {
    if (r.beyond64Bits || r.magnitude > kLeastMagnitude) return {std::numeric_limits<qint64>::min(), false};
    return {static_cast<qint64>(0 - r.magnitude), true};
  }
  if (r.beyond64Bits || r.magnitude >= kLeastMagnitude) return {std::numeric_limits<qint64>::max(), false};
  return {static_cast<qint64>(r.magnitude), true};
}

// strtoull's result and whether it succeeded; a '-' negates modulo 2^64.
std::pair<quint64, bool> toUnsigned(const DecimalReading& r) {
  if (!r.hasDigits) return {0, false};
  if (r.beyond64Bits) return {std::numeric_limits<quint64>::max(), false};
  return {r.negative ? 0 - r.magnitude : r.magnitude, true};
}

template <typename T>
bool store(const std::pair<T, bool>& result, T* value) {
  if (value) *value = result.first;
  return result.second;
}

// Rounds to single precision; beyond the float range gives infinity (or the
// largest float, for the sliver that rounds down to it) instead of leaving the
// conversion undefined.
float roundToFloat(double d) {
  constexpr double kRoundsToInfinity = (2.0 - 0x1p-24) * 0x1p127;  // halfway from FLT_MAX to 2^128
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  constexpr float kMax = std::numeric_limits<float>::max();
  const double magnitude = std::fabs(d);
  if (magnitude >= kRoundsToInfinity) return d < 0 ? -kInfinity : kInfinity;
  if (magnitude > kMax) return d < 0 ? -kMax : kMax;
  return static_cast<float>(d);
}

}  // namespace

bool parseIntoSInt64(const QString& receiver, qint64* value) {
  return store(toSigned(readDecimal(receiver)), value);
}

bool parseIntoUInt64(const QString& receiver, quint64* value) {
  return store(toUnsigned(readDecimal(receiver)), value);
}

bool parseIntoNSInteger(const QString& receiver, qint64* value) { return parseIntoSInt64(receiver, value); }

bool parseIntoNSUInteger(const QString& receiver, quint64* value) { return parseIntoUInt64(receiver, value); }

std::optional<QVariant> parseIntoNumberOfType(const QString& receiver, quint8 type) {
  // atol is strtol, which saturates at 64 bits; atoi keeps its low 32 bits.
  auto atol = [&] { return toSigned(readDecimal(receiver)).first; };
  auto atoi = [&] { return static_cast<qint32>(static_cast<quint32>(atol())); };
  auto atof = [&] { return strtod_l(receiver.toUtf8().constData(), nullptr, cLocale()); };
  switch (type) {
    case 'c':
      return QVariant::fromValue(static_cast<signed char>(atoi()));
    case 'C':
      return QVariant::fromValue(static_cast<uchar>(atoi()));
    case 's':
      return QVariant::fromValue(static_cast<short>(atoi()));
    case 'S':
      return QVariant::fromValue(static_cast<ushort>(atoi()));
    case 'i':
    case 'b':
      return QVariant::fromValue(static_cast<qint64>(atoi()));
    case 'I':
      return QVariant::fromValue(static_cast<uint>(atoi()));
    case 'l':
      return QVariant::fromValue(static_cast<long>(atol()));
    case 'L':
      return QVariant::fromValue(static_cast<ulong>(atol()));
    case 'q':
      return QVariant::fromValue(static_cast<qint64>(atol()));
    case 'Q':
      return QVariant::fromValue(static_cast<quint64>(atol()));
    case 'f':
      return QVariant::fromValue(roundToFloat(atof()));
    case 'd':
      return QVariant::fromValue(atof());
    default:
      return std::nullopt;
  }
}

}  // namespace Tirr_NSStringAdditions
