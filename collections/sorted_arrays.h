// Sorted copies of lists under the library's string orderings (see
// comparators.h), a duplicate-free sorted copy, a reversed copy, and insertion
// into a list kept in ascending order.
//
// Each sort orders exactly as its comparator would pairwise, but collates every
// element once (an ICU sort key) rather than once per comparison. Elements that
// compare the same keep their order in the receiver. Receivers are never changed.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <algorithm>

namespace Tirr_NSArrayAdditions {

// Sorted with arrayStringSort: case-insensitive, in the user's locale.
// Example: {"b", "A", "c"} -> {"A", "b", "c"}.
[[nodiscard]] QStringList sort(const QStringList& receiver);

// Dictionaries sorted with arrayStringSort on their values under `key`. Those
// without the key come first, then those whose value is not a string.
[[nodiscard]] QVariantList sortForKey(const QVariantList& receiver, const QString& key);
[[nodiscard]] QList<QVariantMap> sortForKey(const QList<QVariantMap>& receiver, const QString& key);

// Sorted with arrayStringAsNumberSort. Example: {"file10", "file9", "File1"} ->
// {"File1", "file9", "file10"}.
[[nodiscard]] QStringList sortWithStringsAsNumbersSort(const QStringList& receiver);
[[nodiscard]] QVariantList sortWithStringsAsNumbersSortForKey(const QVariantList& receiver,
                                                              const QString& key);
[[nodiscard]] QList<QVariantMap> sortWithStringsAsNumbersSortForKey(const QList<QVariantMap>& receiver,
                                                                    const QString& key);

// Sorted with arrayCleanedStringSort: leading articles do not count.
[[nodiscard]] QStringList sortWithCleanedStringSort(const QStringList& receiver);
[[nodiscard]] QVariantList sortWithCleanedStringSortForKey(const QVariantList& receiver, const QString& key);
[[nodiscard]] QList<QVariantMap> sortWithCleanedStringSortForKey(const QList<QVariantMap>& receiver,
                                                                 const QString& key);

// sort() keeping each exactly equal string once; strings that differ only in
// case both stay, next to each other. Example: {"b", "a", "b", "B"} -> {"a", "b", "B"}.
[[nodiscard]] QStringList sortRemovingDuplicates(const QStringList& receiver);

// The elements last to first.
template <typename T>
[[nodiscard]] QList<T> reverse(const QList<T>& receiver) {
  QList<T> reversed = receiver;
  std::reverse(reversed.begin(), reversed.end());
  return reversed;
}

}  // namespace Tirr_NSArrayAdditions

namespace Tirr_NSMutableArrayAdditions {

// Inserts `value` into `receiver`, which is in ascending order, by bisection,
// keeping the order: numbers by exact value (qint64 beyond 2^53 included),
// strings by code units. A value equal to an element goes directly in front of
// the first equal element the bisection meets, not necessarily the first of a
// run. Mixed kinds order as: absent, booleans, numbers, strings, then the rest
// by type. Example: 5 into {1, 3, 7} -> {1, 3, 5, 7}.
void insertAndSortNumber(QVariantList& receiver, const QVariant& value);

}  // namespace Tirr_NSMutableArrayAdditions
