// Core string operations of the toolkit: the blank test, line splitting,
// character filtering, containment, prefix removal, search and replace and
// backslash escapes for double-quoted script strings.
//
// Strings are QString (UTF-16 code units). An operation that has nothing to do
// returns its receiver itself (the same shared QString, no copy).
#pragma once

#include <QString>
#include <QStringList>

namespace Tirr_NSStringAdditions {

// True exactly when `receiver` has length 0; " " and "\t" are not blank.
[[nodiscard]] bool isBlankString(const QString& receiver);

// Splits at line terminators (LF, CR, CR LF as one, U+0085, U+2028, U+2029).
// Example: "a\nb\n" -> {"a", "b", ""};  "" -> {}.
[[nodiscard]] QStringList paragraphs(const QString& receiver);

// Keeps the maximal runs of characters of `keep`, each run losing leading
// Unicode white space and newlines. Example: clean(" -12 34", "-1234567890") -> "-1234".
[[nodiscard]] QString clean(const QString& receiver, const QString& keep);

// Searches for `needle`; canonically equivalent sequences match, and with
// consideringCase false case is ignored too. An empty needle is never found.
[[nodiscard]] bool containsString(const QString& receiver, const QString& needle, bool consideringCase);

// Removes `prefix` once, trying prefix, prefix+" ", prefix+"-" in that order.
// Example: deprefix("quote text", "quote") -> " text".
[[nodiscard]] QString deprefix(const QString& receiver, const QString& prefix);

// Replaces every occurrence of `target`, left to right, without overlap and
// without rescanning. Example: snr("aaa", "aa", "b") -> "ba".
[[nodiscard]] QString snr(const QString& receiver, const QString& target, const QString& replaceWith);

// Doubles backslashes, then puts a backslash before every double quote.
[[nodiscard]] QString addQuoteEscapes(const QString& receiver);

// Undoes addQuoteEscapes.
[[nodiscard]] QString removeQuoteEscapes(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
