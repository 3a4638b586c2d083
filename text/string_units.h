// Units of text: characters, words, paragraphs and tokens between separator
// characters, with counts, indexed access and reversal.
//
// A character here is one UTF-16 unit, held as a one-unit string: a character
// beyond the BMP counts as two, and a letter with a combining mark as two. An
// index of all ones (quint64(-1)) selects the last entry of a list.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "text/character_sets.h"

namespace Tirr_NSStringAdditions {

// The index that selects the last entry of a list.
inline constexpr quint64 kLastIndex = ~quint64{0};

// Splits into one-unit strings, in order; "" gives an empty list.
// Example: characters("e\u0301") -> {"e", "\u0301"}.
[[nodiscard]] QStringList characters(const QString& receiver);

// The number of UTF-16 units, the size of characters(receiver).
[[nodiscard]] quint64 characterCount(const QString& receiver);

// The unit at `index` as a one-unit string; absent past the end or on "".
// Example: charAtIndex("abc", kLastIndex) -> "c";  charAtIndex("abc", 3) -> nullopt.
[[nodiscard]] std::optional<QString> charAtIndex(const QString& receiver, quint64 index);

// The first unit as a one-unit string; a receiver of length 0 or 1 is
// returned itself. Example: firstCharacter("xyz") -> "x".
[[nodiscard]] QString firstCharacter(const QString& receiver);

// Splits into words: longest runs of letters, marks, digits and hyphen-minus
// (a character beyond the BMP counts as the character it is). Apostrophes,
// underscores and other punctuation separate words. In a long text, equal
// words may share one string (implicitly shared, like any QString copy).
// Example: words("well-known don't stop_here, 42x") -> {"well-known", "don", "t", "stop", "here", "42x"}.
[[nodiscard]] QStringList words(const QString& receiver);

// The number of entries of words(receiver).
[[nodiscard]] quint64 wordCount(const QString& receiver);

// The word at `index` of words(receiver), or absent.
[[nodiscard]] std::optional<QString> wordAtIndex(const QString& receiver, quint64 index);

// The number of entries of paragraphs(receiver).
[[nodiscard]] quint64 paragraphCount(const QString& receiver);

// The line at `index` of paragraphs(receiver), or absent.
[[nodiscard]] std::optional<QString> paragraphAtIndex(const QString& receiver, quint64 index);

// Splits into the runs of characters outside `separators`; no token is ever
// empty. A surrogate pair is tested as the one code point it encodes. In a
// long text, equal tokens may share one string.
// Example: tokensSeparatedByCharactersFromSet(",,a,,b,", CharacterSet(u",")) -> {"a", "b"}.
[[nodiscard]] QStringList tokensSeparatedByCharactersFromSet(const QString& receiver,
                                                             const CharacterSet& separators);

// Reverses the order of the characters. A surrogate pair stays one character
// (its halves are not swapped); a combining mark ends up before its letter.
// Example: reverse("abc") -> "cba";  reverse("a\U0001F600") -> "\U0001F600a".
[[nodiscard]] QString reverse(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
