// Fuzzes the number readers on any text. Checks that the strict parsers agree
// with glibc's strtoll and strtoull in the C locale (value, success) and with
// std::from_chars on the digits they read; that the typed reader agrees with
// atol and atof; and that ordinals and colours come out without undefined
// behaviour for whatever was read.
#include <QString>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "text/c_locales.h"
#include "text/string_formatting.h"
#include "text/string_numbers.h"

using namespace Tirr_NSStringAdditions;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

template <typename T>
struct Conversion {
  T value;
  bool ok;
};

// What the C library answers, with a missing number counted as a failure.
template <typename T, typename Convert>
Conversion<T> viaCLibrary(const QByteArray& bytes, Convert convert) {
  char* end = nullptr;
  errno = 0;
  const T value = convert(bytes.constData(), &end, 10, cLocale());
  return {value, errno == 0 && end != bytes.constData()};
}

// The digits after C white space and a sign, as from_chars reads them.
struct Digits {
  bool negative = false;
  std::uint64_t magnitude = 0;
  bool present = false, tooLarge = false;
};

Digits fromChars(const QByteArray& bytes) {
  const char* p = bytes.constData();
  const char* const end = p + std::strlen(p);  // the C library stops at a NUL too
  while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
  Digits d;
  if (p < end && (*p == '+' || *p == '-')) d.negative = *p++ == '-';
  if (p == end || *p < '0' || *p > '9') return d;
  d.present = true;
  d.tooLarge = std::from_chars(p, end, d.magnitude).ec == std::errc::result_out_of_range;
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QByteArray bytes = text.toUtf8();

  qint64 s = 0;
  quint64 u = 0;
  const bool sOk = parseIntoSInt64(text, &s);
  const bool uOk = parseIntoUInt64(text, &u);
  const auto strtoll = viaCLibrary<long long>(bytes, strtoll_l);
  const auto strtoull = viaCLibrary<unsigned long long>(bytes, strtoull_l);
  check(s == strtoll.value && sOk == strtoll.ok);
  check(u == strtoull.value && uOk == strtoull.ok);
  qint64 n = 0;
  quint64 nu = 0;
  check(parseIntoNSInteger(text, &n) == sOk && n == s);
  check(parseIntoNSUInteger(text, &nu) == uOk && nu == u);
  check(parseIntoSInt64(text, nullptr) == sOk && parseIntoUInt64(text, nullptr) == uOk);

  const Digits d = fromChars(bytes);
  if (!d.present) {
    check(!sOk && !uOk && s == 0 && u == 0);
  } else if (d.tooLarge) {
    check(!sOk && !uOk && u == std::numeric_limits<quint64>::max());
  } else {
    check(uOk && u == (d.negative ? 0 - d.magnitude : d.magnitude));
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<qint64>::max()) + (d.negative ? 1 : 0);
    check(sOk == (d.magnitude <= limit));
    if (sOk) check(s == (d.negative ? qint64(0 - d.magnitude) : qint64(d.magnitude)));
  }

  const long atol = strtol_l(bytes.constData(), nullptr, 10, cLocale());
  check(parseIntoNumberOfType(text, 'q')->toLongLong() == atol);
  check(parseIntoNumberOfType(text, 'i')->toLongLong() == qint32(quint32(atol)));
  check(parseIntoNumberOfType(text, 'C')->value<uchar>() == uchar(atol));
  const double atof = strtod_l(bytes.constData(), nullptr, cLocale());
  const double d64 = parseIntoNumberOfType(text, 'd')->toDouble();
  check(d64 == atof || (std::isnan(d64) && std::isnan(atof)));
  const float f32 = parseIntoNumberOfType(text, 'f')->toFloat();
  if (std::isfinite(atof) && std::fabs(atof) <= std::numeric_limits<float>::max()) {
    check(f32 == float(atof));
  } else if (!std::isnan(atof)) {
    check(std::isinf(f32) || std::fabs(f32) == std::numeric_limits<float>::max());
  }
  for (const char type : {'c', 'S', 'I', 'b', 'l', 'L', 'Q', 's'})
    check(parseIntoNumberOfType(text, type).has_value());

  const QString ordinal = ordinalStringForInt(s);
  check(ordinal.startsWith(QString::number(s)) && ordinal.size() <= QString::number(s).size() + 2);
  const QColor colour = color(text);
  if (colour.isValid()) check(!std::isnan(colour.redF()) && !std::isnan(colour.alphaF()));
  return 0;
}
