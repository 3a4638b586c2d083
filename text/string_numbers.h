// Leading-number conversions of strings: read the number at the start of the
// text and ignore whatever follows. integerValue() and floatValue() are the
// string type's own lenient readings; the Tirr_NSStringAdditions parsers read
// as the C library's strtoll, atoi and atof do in the C locale, whatever the
// process's locale, so "1.5" reads the same for every user.
#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QtGlobal>
#include <optional>

// Answers the value of the decimal integer at the start of `text`: optional
// white space, an optional '+' or '-', then digits; 0 when no digit comes
// there. Values beyond 64 bits keep the nearest limit.
// Example: "555-1234" -> 555;  "--5" -> 0;  "-99999999999999999999" -> INT64_MIN.
[[nodiscard]] qint64 integerValue(QStringView text);

// Answers the single-precision value of the decimal number at the start of
// `text`: optional white space, sign, digits, a '.' with further digits and an
// exponent; 0 when there is none. Rounds once, to the nearest float; too large
// a magnitude gives infinity.
// Example: "555.123.4567" -> 555.123f;  "-.5" -> -0.5f;  "." -> 0.
[[nodiscard]] float floatValue(QStringView text);

namespace Tirr_NSStringAdditions {

// Reads a base-10 integer as strtoll does: optional ASCII white space, an
// optional '+' or '-', then digits; whatever follows is ignored. Answers false
// when there is no digit (storing 0) or the value is out of range (storing
// the nearest limit). Stores nothing when `value` is null.
// Example: "12abc" -> true, 12;  "abc" -> false, 0;
//          "9223372036854775808" -> false, INT64_MAX.
[[nodiscard]] bool parseIntoSInt64(const QString& receiver, qint64* value);

// As parseIntoSInt64, for the unsigned range as strtoull reads it: a '-'
// negates modulo 2^64, and a value beyond 64 bits stores the largest value.
// Example: "-1" -> true, UINT64_MAX;  "18446744073709551616" -> false, UINT64_MAX.
[[nodiscard]] bool parseIntoUInt64(const QString& receiver, quint64* value);

// The platform's signed integer is 64 bits wide: as parseIntoSInt64 (strtol).
[[nodiscard]] bool parseIntoNSInteger(const QString& receiver, qint64* value);

// The platform's unsigned integer is 64 bits wide: as parseIntoUInt64 (strtoul).
[[nodiscard]] bool parseIntoNSUInteger(const QString& receiver, quint64* value);

// Reads a number of the kind named by a type-encoding code, never failing on
// the text: 'c' 'C' 's' 'S' 'i' 'b' 'I' read as atoi and keep the kind's low
// bits ('i' and 'b' give a qint64 of the 32-bit value); 'l' 'L' 'q' 'Q' read
// as atol (saturating at 64 bits; 'L' and 'Q' reinterpret the bits as
// unsigned); 'f' and 'd' read as atof, 'f' rounding to float (infinity beyond
// its range). The QVariant's type is the kind: signed char, uchar, short,
// ushort, qint64, uint, long, ulong, qint64, quint64, float, double. An
// unreadable text gives 0; an unknown code nullopt.
// Example: ("300", 'C') -> uchar 44;  ("200", 'c') -> signed char -56;
//          ("1.5x", 'f') -> 1.5f;  ("1", 'B') -> nullopt.
[[nodiscard]] std::optional<QVariant> parseIntoNumberOfType(const QString& receiver, quint8 type);

}  // namespace Tirr_NSStringAdditions
