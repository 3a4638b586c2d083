// The three string orderings behind the comparators and the sorted copies, and
// how a list element turns into the value an ordering compares. The sorted
// copies sort by ICU sort keys made once per element; the comparators compare
// pairwise; both go through these functions so they agree.
#pragma once

#include <unicode/coll.h>

#include <QString>
#include <QVariant>
#include <optional>

#include "collections/ascii_sort_keys.h"
#include "collections/collation.h"

enum class StringOrdering {
  CaseInsensitive,  // the user's locale, case ignored
  ArticlesRemoved,  // the same after the article prefixes are removed
  Numeric,          // digit runs by value, punctuation significant
};

// How `ordering` sets up its collator: secondary strength and normalisation;
// the numeric ordering adds numeric digits and significant punctuation.
[[nodiscard]] CollatorOptions collatorOptions(StringOrdering ordering);

// The process's collator for `ordering`, made on first use; nullptr only when
// ICU has no collation data (comparisons then fall back to case-folded units).
[[nodiscard]] const icu::Collator* collatorFor(StringOrdering ordering);

// Sort keys of plain ASCII strings made without ICU, byte for byte the keys of
// collatorFor(ordering), made on first use; nullptr when the collator's
// treatment of ASCII is beyond them (the keys then all come from ICU).
[[nodiscard]] const AsciiSortKeys* asciiSortKeysFor(StringOrdering ordering);

// Where a compared value stands before any collation: absent values first,
// then values that are not strings, then strings.
enum class ValueRank : quint8 { Absent, NotString, String };

// The value compared for `element`: the element itself, or with a key its value
// under the key when the element is a dictionary (nullptr when it has none).
[[nodiscard]] const QVariant* comparedValue(const QVariant& element, const std::optional<QString>& key);

// The rank of a compared value (nullptr and the null marker are absent).
[[nodiscard]] ValueRank rankOf(const QVariant* value);

// The text `ordering` collates for a string: the string itself, or without its
// article prefixes.
[[nodiscard]] QString collatedText(StringOrdering ordering, const QString& text);

// The order of two elements under `ordering`, ranks first: -1, 0 or +1.
[[nodiscard]] int compareElements(StringOrdering ordering, const QVariant& a, const QVariant& b,
                                  const std::optional<QString>& key);
