// Regular expressions over strings, in two families that are never mixed:
// POSIX extended expressions (glibc's regcomp/regexec), which find matches
// anywhere in the text, and ICU expressions, which must match the whole text.
//
// Positions are UTF-16 code units of the receiver. POSIX matching sees
// characters, not bytes: "." takes a whole "é" or "😀", whatever the
// process's locale.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "text/error_value.h"

// A run of a string's UTF-16 code units.
struct TextRange {
  quint64 location = 0;
  quint64 length = 0;

  friend bool operator==(const TextRange&, const TextRange&) = default;
};

namespace Tirr_NSStringAdditions {

// Domain of the error values of the POSIX operations; codes are regcomp's and
// regexec's (REG_NOMATCH for a search that finds nothing).
inline const QString kRegexErrorDomain = QStringLiteral("regerror");

// Searches `receiver` once for the POSIX extended expression `pattern`;
// `options` are regcomp flags (REG_ICASE, REG_NEWLINE, ...; REG_EXTENDED is
// always added). With `count` -1 answers {receiver} on a match. With 0 or more
// answers the whole match, then subexpressions 1 to `count` up to the first one
// that took no part in the match, and stores their ranges in `*ranges`.
// Answers {} when nothing matches, the pattern does not compile, or `count` is
// below -1; `*error` gets nullopt on success, otherwise the failing code and
// regerror's message (no match is REG_NOMATCH). `*ranges` is left alone
// unless a match with `count` >= 0 is found. Both pointers may be null.
// Example: ("abbbc", "b+", 0) -> {"bbb"}, ranges {(1, 3)}.
//          ("xac", "(a)(b)?(c)", 3) -> {"ac", "a"}: the walk stops at group 2.
[[nodiscard]] QStringList substringsMatchingRegularExpression(const QString& receiver, const QString& pattern,
                                                              qint64 count, quint64 options,
                                                              QList<TextRange>* ranges,
                                                              std::optional<ErrorValue>* error);

// Answers every successive match of `pattern` (POSIX extended, no options),
// each search starting where the previous match ended. After a failed search
// the scan moves on to the next line, and "^" matches at the start of every
// place a search starts from. An empty match moves the scan on by one
// character. {} when the pattern does not compile.
// Example: ("a1b22c333", "[0-9]+") -> {"1", "22", "333"};
//          ("x1\nx2\ny", "^x") -> {"x", "x"}.
[[nodiscard]] QStringList substringsMatchingRegularExpression(const QString& receiver,
                                                              const QString& pattern);

// True when the POSIX extended `pattern` matches anywhere in `receiver`;
// false too when it does not compile.
// Example: grep("hello", "l+", 0) -> true.
[[nodiscard]] bool grep(const QString& receiver, const QString& pattern, quint64 options);

// True when the ICU expression `pattern` matches all of `receiver`, not just a
// part; false for a pattern that ICU cannot compile.
// Example: ("abc", "a.c") -> true;  ("abc", "b") -> false.
[[nodiscard]] bool validateWithRegEx(const QString& receiver, const QString& pattern);

// True when all of `receiver` is an e-mail address: one or more of A-Z a-z
// 0-9 . _ % + -, "@", one or more of A-Z a-z 0-9 . -, then "." and two to four
// ASCII letters. No white space around it.
// Example: "a.b@mail.example.com" -> true;  "a@b.c" -> false;  "a@b.museum" -> false.
[[nodiscard]] bool isValidEmailAddress(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
