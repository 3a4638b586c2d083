// Leading-number conversions of strings, as the platform's string type offers
// them: read the number at the start of the text and ignore whatever follows.
#pragma once

#include <QStringView>
#include <QtGlobal>

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
