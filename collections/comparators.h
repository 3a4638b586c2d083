// The library's orderings of strings, as comparators: functions of two list
// elements and an optional key answering exactly -1 (ascending), 0 (same) or
// +1 (descending).
//
// Without a key the elements themselves are compared; with a key each element
// is a dictionary (QVariantMap) and its value under the key is compared. Every
// comparator is a total order over any QVariant: absent values (no element, no
// such key, the null marker) come first, then values that are not strings (all
// alike), then strings in the comparator's own order.
//
// Each ordering uses one ICU collator of the user's locale, made on first use
// and kept for the process (the C and POSIX locales use the root collation).
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// The signature shared by the four comparators below.
using Comparator = int (*)(const QVariant& a, const QVariant& b, const std::optional<QString>& key);

// Case-insensitive order in the user's locale; accents count.
// Example: "b" > "A";  "apple" == "Apple";  "e" < "é".
[[nodiscard]] int arrayStringSort(const QVariant& a, const QVariant& b, const std::optional<QString>& key);

// arrayStringSort after removing article prefixes from both strings: each
// prefix of articlePrefixes(), in list order, removed at most once, ignoring case.
// Example, with the prefixes "The " and "A ": "The A Tale" compares as "Tale",
// "A The Tale" as "The Tale".
[[nodiscard]] int arrayCleanedStringSort(const QVariant& a, const QVariant& b,
                                         const std::optional<QString>& key);

// The numeric collation: digit runs compare by value, case and width are
// ignored, accents and punctuation count, composed equals decomposed.
// Example: "file9" < "file10";  "a-2" != "a2";  "ｅ" == "e";  "é" != "e".
[[nodiscard]] int arrayStringAsNumberSort(const QVariant& a, const QVariant& b,
                                          const std::optional<QString>& key);

// arrayStringAsNumberSort of the elements themselves; the key is ignored.
[[nodiscard]] int stringAsNumberSort(const QVariant& a, const QVariant& b,
                                     const std::optional<QString>& ignoredKey = std::nullopt);

// The article prefixes of arrayCleanedStringSort: the "ui" translation of
// "ArticlePrefixes" split at every "|", read once for the process. With no
// translation that is the single prefix "ArticlePrefixes".
[[nodiscard]] const QStringList& articlePrefixes();

// `text` with each of `prefixes`, in order, removed once from its start when it
// begins with it in any case. Example: ("Theatre", {"The"}) -> "atre".
[[nodiscard]] QString withoutArticlePrefixes(const QString& text, const QStringList& prefixes);

namespace Tirr_NSStringAdditions {

// The order of `receiver` relative to `other` under the numeric collation.
// Example: ("2", "10") -> -1;  ("abc", "ABC") -> 0.
[[nodiscard]] int stringAsNumberSort(const QString& receiver, const QString& other);

}  // namespace Tirr_NSStringAdditions
