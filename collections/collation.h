// ICU collators of the user's locale and their sort keys, shared by the list
// comparators and the call table's sort.
//
// The C and POSIX locales get the root collation: ICU's own stand-in for them,
// en_US_POSIX, orders by code point, which would make "b" sort after "Z".
#pragma once

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <QByteArray>
#include <QStringView>
#include <memory>

// How a collator compares, beyond its locale's rules.
struct CollatorOptions {
  // SECONDARY ignores case and width but not accents; TERTIARY tells case apart.
  icu::Collator::ECollationStrength strength = icu::Collator::SECONDARY;
  // A run of digits compares by its numeric value: "file9" before "file10".
  bool numeric = false;
  // Composed and decomposed forms of a character compare the same.
  bool normalization = false;
  // Punctuation and spaces take part at full weight; otherwise the locale decides.
  bool punctuationSignificant = false;
};

// The locale whose collation stands for `locale`: root for C and POSIX.
[[nodiscard]] icu::Locale collationLocale(const icu::Locale& locale);

// A new collator for `locale` (by default ICU's default locale, which follows the
// environment's LC_ALL, LC_MESSAGES or LANG); nullptr only when ICU has no data.
[[nodiscard]] std::unique_ptr<icu::Collator> createCollator(
    const CollatorOptions& options, const icu::Locale& locale = icu::Locale::getDefault());

// The sort key of `text`: comparing two keys bytewise orders their texts exactly
// as `collator` does. With no collator, the text's case-folded UTF-16 code units.
[[nodiscard]] QByteArray collationSortKey(const icu::Collator* collator, QStringView text);

// The order of `a` relative to `b`: exactly -1, 0 or +1. With no collator, the
// order of their case-folded code units (the same order as collationSortKey).
[[nodiscard]] int collationCompare(const icu::Collator* collator, QStringView a, QStringView b);
