// Texts made from numbers and booleans, colours read from text, and debugging
// output of strings to the system log.
#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace Tirr_NSStringAdditions {

// Answers `value` with its English ordinal suffix, chosen by the last decimal
// digit; only exactly 11, 12 and 13 (and their negatives) take "th" as teens.
// Example: 1 -> "1st";  -12 -> "-12th";  111 -> "111st";  0 -> "0" (no suffix).
[[nodiscard]] QString ordinalStringForInt(qint64 value);

// Answers `zero` for a count of 0 and `singluar` for 1 when they are given,
// and `plural` otherwise. The count is not put into the text.
// Example: (0, nullopt, "call", "calls") -> "calls";  (1, "none", "call", "calls") -> "call".
[[nodiscard]] QString pluralStringForCount(quint64 count, const std::optional<QString>& zero,
                                           const std::optional<QString>& singluar, const QString& plural);

// Answers "YES" or "NO".
[[nodiscard]] QString stringForBool(bool value);

// Reads red, green and blue, and alpha when the text has exactly three single
// spaces, as numbers (any white space between them). Components above 1 are
// taken on the 0-255 scale, except alpha; unread ones stay 0 (alpha 1). An
// alpha outside 0 to 1 gives an invalid colour, as QColor has it.
// Example: "255 128 0" -> (1, 0.502, 0, 1);  "1 2  3 4" -> alpha 1 (five pieces).
[[nodiscard]] QColor color(const QString& receiver);

// Writes `receiver` to the system log as one entry.
void log(const QString& receiver);

// Writes one system log entry: "\n", `receiver`, "\n", a rule of 39 hyphens,
// "\n", then the decimal value of every UTF-16 code unit with no separator.
// Example: "AB" -> "\nAB\n---------------------------------------\n6566".
void dumpASCII(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
