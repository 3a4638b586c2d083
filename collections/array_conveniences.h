// Small operations on lists: the first element, safe access, duplicate
// removal, one column of a list of rows, an operation applied to every element,
// a shuffled copy and a random pick. None changes its receiver.
//
// Where a list must carry an absent value at a position, it holds the null
// marker, QVariant::fromValue(nullptr).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdlib>
#include <functional>
#include <optional>

namespace Tirr_NSArrayAdditions {

namespace detail {
// Seeds random() with the current time on the first call of shuffle(), and
// separately on the first call of someObject(); later calls do nothing.
void seedForShuffleOnce();
void seedForSomeObjectOnce();
// The position someObject() picks among `count` for one draw of random().
[[nodiscard]] qsizetype pickPosition(long draw, qsizetype count);
}  // namespace detail

// The element at position 0; nothing for an empty list.
template <typename T>
[[nodiscard]] std::optional<T> firstObject(const QList<T>& receiver) {
  if (receiver.isEmpty()) return std::nullopt;
  return receiver.first();
}

// The element at `index`, or nothing when it is not below the count.
template <typename T>
[[nodiscard]] std::optional<T> objectOrNilAtIndex(const QList<T>& receiver, quint64 index) {
  if (index >= quint64(receiver.size())) return std::nullopt;
  return receiver.at(qsizetype(index));
}

// The first occurrence of each distinct element, in the receiver's order.
// Elements are equal by their own kind: "1" and 1 are different, 1 and 1.0 the
// same, "a" and "A" different. Example: {"b", "a", "b", "c", "a"} -> {"b", "a", "c"}.
[[nodiscard]] QVariantList removeDuplicates(const QVariantList& receiver);
[[nodiscard]] QStringList removeDuplicates(const QStringList& receiver);

// The column at `index` of a list of rows: each row's element there. A row that
// is not a list (QVariantList or QStringList) or has no such element, and any
// negative index, gives the null marker, so the column is as long as the list.
// Example: ({{"a", "b"}, {"c", "d"}}, 1) -> {"b", "d"}.
[[nodiscard]] QVariantList batchReturnArrayObjectAtIndex(const QVariantList& receiver, qint64 index);

// An operation one element performs with an optional argument; nothing when the
// element cannot answer.
using ElementOperation =
    std::function<std::optional<QVariant>(const QVariant& element, const std::optional<QVariant>& argument)>;

// Each element's answer to `operation` with `argument`, the null marker where it
// has none: always one entry per element.
[[nodiscard]] QVariantList resultsOfApplyingSelector(const QVariantList& receiver,
                                                     const ElementOperation& operation,
                                                     const std::optional<QVariant>& withObject);
[[nodiscard]] QVariantList resultsOfApplyingSelector(const QVariantList& receiver,
                                                     const ElementOperation& operation);

// The same with an operation named as on the original platform. Only a few are
// known: "uppercaseString" and "lowercaseString" (strings), "objectForKey:"
// (dictionaries, with a string argument). Unknown names, and elements of other
// kinds, answer the null marker.
// Example: ({"ab", "c"}, "uppercaseString") -> {"AB", "C"}.
[[nodiscard]] QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const QString& selector,
                                                     const std::optional<QVariant>& withObject);
[[nodiscard]] QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const QString& selector);

// The elements in random order: an exchange walk from the end that makes one
// draw of random() per position from the last down to 1 (count - 1 draws).
// The first call seeds the generator with the time.
template <typename T>
[[nodiscard]] QList<T> shuffle(const QList<T>& receiver) {
  detail::seedForShuffleOnce();
  QList<T> shuffled = receiver;
  for (qsizetype n = shuffled.size(); n > 1;) {
    const long draw = ::random();
    const qsizetype j = qsizetype(draw % n);
    --n;
    shuffled.swapItemsAt(n, j);
  }
  return shuffled;
}

// One element picked by one draw of random(), every position about equally
// likely; nothing, without a draw, for an empty list. The first call seeds the
// generator with the time.
template <typename T>
[[nodiscard]] std::optional<T> someObject(const QList<T>& receiver) {
  detail::seedForSomeObjectOnce();
  if (receiver.isEmpty()) return std::nullopt;
  return receiver.at(detail::pickPosition(::random(), receiver.size()));
}

}  // namespace Tirr_NSArrayAdditions
