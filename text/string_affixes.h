// Filtering, affixes and replacement: keeping printable ASCII, replacing or
// trimming listed characters, prefixes and suffixes with or without case,
// cutting at delimiters, batches of replacements and stripping diacritics.
//
// A character list is a list of one-unit strings (as characters() makes);
// entries of any other length never match. Comparing "without case" lowers
// both sides with the full, locale-independent Unicode mapping and compares
// exactly: it is not case folding, so "Straße" and "STRASSE" differ.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace Tirr_NSStringAdditions {

// Keeps space to tilde (32-126) and the line breaks LF and CR, which become
// the visible "\n" and "\r" when `escapeLineBreaks` is true; drops every other
// unit (tab, controls, DEL, all non-ASCII). Always a new string.
// Example: lowASCIIOnly("a\tb\r\nc é", true) -> "ab\\r\\nc ".
[[nodiscard]] QString lowASCIIOnly(const QString& receiver, bool escapeLineBreaks);

// Replaces every unit found in `characters` by `withCharacter`, which may be
// empty (deleting them) or longer than one unit.
// Example: cleanWithReplace("a/b:c", {"/", ":"}, "-") -> "a-b-c".
[[nodiscard]] QString cleanWithReplace(const QString& receiver, const QStringList& characters,
                                       const QString& withCharacter);

// Removes the whole leading run of units found in `characters`.
// Example: trimFromStart("- -abc", {" ", "-"}) -> "abc";  trimFromStart("---", {"-"}) -> "".
[[nodiscard]] QString trimFromStart(const QString& receiver, const QStringList& characters);

// Removes the whole trailing run of units found in `characters`.
// Example: trimFromEnd("a b  ", {" "}) -> "a b".
[[nodiscard]] QString trimFromEnd(const QString& receiver, const QStringList& characters);

// trimFromEnd() of trimFromStart(), with the same list.
[[nodiscard]] QString trimFromBoth(const QString& receiver, const QStringList& characters);

// True when the lower-cased receiver starts with the lower-cased `prefix`;
// an empty prefix never matches.
[[nodiscard]] bool hasCaseInsensitivePrefix(const QString& receiver, const QString& prefix);

// True when the lower-cased receiver ends with the lower-cased `suffix`; an
// empty suffix never matches.
[[nodiscard]] bool hasCaseInsensitiveSuffix(const QString& receiver, const QString& suffix);

// Removes `prefix` once, compared without case. What is cut is exactly the
// receiver characters whose lower-case forms make up the match, whose length
// can differ from the prefix's ("İ" lowers to two units). When the match ends
// inside one character's lower-case form there is no clean cut and the
// receiver is returned itself.
// Example: deprefixCaseInsensitive("the the end", "THE ") -> "the end".
[[nodiscard]] QString deprefixCaseInsensitive(const QString& receiver, const QString& prefix);

// Removes `suffix` once, compared unit by unit with case.
// Example: desuffix("cats", "s") -> "cat";  desuffix("cats", "S") -> "cats".
[[nodiscard]] QString desuffix(const QString& receiver, const QString& suffix);

// Removes `suffix` once, compared without case; cuts whole receiver
// characters as deprefixCaseInsensitive() does.
// Example: desuffixCaseInsensitive("cats", "S") -> "cat".
[[nodiscard]] QString desuffixCaseInsensitive(const QString& receiver, const QString& suffix);

// True when both lower-case to the same units; false for an absent `other`.
// Example: isEqualToStringIgnoringCase("Hello", "hELLO") -> true.
[[nodiscard]] bool isEqualToStringIgnoringCase(const QString& receiver, const std::optional<QString>& other);

// The text before the first occurrence of `delim` (found with canonical
// equivalence, as containsString() finds it); the receiver itself when there
// is none or `delim` is empty.
// Example: substringToDelim("key=value", "=") -> "key".
[[nodiscard]] QString substringToDelim(const QString& receiver, const QString& delim);

// The text after the first occurrence of `delim`, continuing after the text
// actually matched; the receiver itself when there is none.
// Example: substringFromDelim("cafe\u0301!", "\u00E9") -> "!".
[[nodiscard]] QString substringFromDelim(const QString& receiver, const QString& delim);

// The text between the first `fromDelim` and the first `toDelim` after it; all
// the rest when `toDelim` does not follow; the receiver itself when `fromDelim`
// is missing. Example: substringFromDelim("a<b>c", "<", ">") -> "b";  ("a<bc") -> "bc".
[[nodiscard]] QString substringFromDelim(const QString& receiver, const QString& fromDelim,
                                         const QString& toDelim);

// Applies snr() with search[i] and replaceArray[i] for each i in order, each
// pass working on the result of the ones before. Pairs without a replacement
// are skipped. The pairs are prepared once for a pair of lists passed again
// unchanged, as in a loop over many texts.
// Example: snrBatch("ab", {"a", "b"}, {"b", "c"}) -> "cc".
[[nodiscard]] QString snrBatch(const QString& receiver, const QStringList& search,
                               const QStringList& replaceArray);

// Decomposes canonically (NFD) and removes every combining mark (categories
// Mn, Mc, Me). The result stays decomposed; letters without a decomposition
// ("ø", "ł") are kept. Example: stripDiacritical("Crème Brûlée") -> "Creme Brulee".
[[nodiscard]] QString stripDiacritical(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
