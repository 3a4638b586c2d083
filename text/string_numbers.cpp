#include "text/string_numbers.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <system_error>

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
