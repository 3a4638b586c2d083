// Conversions of stored values to booleans and numbers, the way the typed
// reads of the defaults store answer them. Dates, data, lists and maps have
// no conversion and give false or 0.
#pragma once

#include <QVariant>

namespace defaults_conversion {

// The typed read of the search list. Numbers convert as numbers (non-zero is
// true); strings "YES"/"true" are true and "NO"/"false" false, ignoring case,
// and any other string is true when it reads as a non-zero integer.
// Example: defaultsBool(QString("yes")) == true, defaultsBool(QString("2x")) == true
[[nodiscard]] bool defaultsBool(const QVariant& value);

// A value's own boolean conversion, used for a persistent domain's values:
// a string is true when, after white space, an optional sign and leading
// zeros, it starts with Y, y, T, t or a digit 1-9.
// Example: ownBool(QString("  +007")) == true, ownBool(QString("no")) == false
[[nodiscard]] bool ownBool(const QVariant& value);

// An integer: doubles truncate toward zero and saturate; strings read their
// leading integer after white space (saturating), 0 when there is none.
// Example: toInteger(QString(" -42abc")) == -42, toInteger(1e300) == INT64_MAX
[[nodiscard]] qint64 toInteger(const QVariant& value);

// A double: strings read their leading decimal number after white space
// (in the C locale), 0 when there is none.
// Example: toDouble(QString("2.5e3 apples")) == 2500.0
[[nodiscard]] double toDouble(const QVariant& value);

}  // namespace defaults_conversion
