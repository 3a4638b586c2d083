#include "collections/sorted_arrays.h"

#include <QtEndian>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "collections/collation.h"
#include "collections/list_elements.h"
#include "collections/string_orderings.h"

namespace {

// One element's place in a sort: its rank, then its collation key. The key's
// first sixteen bytes are kept inline (big-endian numbers, zero-padded) so that
// most comparisons never leave the entry array.
struct SortEntry {
  quint64 head[2];
  const uint8_t* key;  // the whole key, in its run's arena
  quint32 length;
  quint32 position;
  ValueRank rank;
};

constexpr quint32 kHeadBytes = 16;

struct EntryLess {
  bool operator()(const SortEntry& a, const SortEntry& b) const {
    if (a.rank != b.rank) return a.rank < b.rank;
    if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
    if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
    // Equal heads: both keys are at least that long or padded alike.
    const quint32 common = std::min(a.length, b.length);
    if (common > kHeadBytes) {
      const int c = std::memcmp(a.key + kHeadBytes, b.key + kHeadBytes, common - kHeadBytes);
      if (c != 0) return c < 0;
    }
    if (a.length != b.length) return a.length < b.length;
    return a.position < b.position;
  }
};

// What an element brings to a sort: its rank and, for a string, the string.
struct SortItem {
  ValueRank rank;
  const QString* text;
};

// The sorted entries of a run of elements, their keys made into one arena of
// the run's own so that a sort of many strings makes no allocation per element.
class SortedRun {
 public:
  void build(StringOrdering ordering, const SortItem* items, quint32 begin, quint32 end) {
    collator_ = collatorFor(ordering);
    fastKeys_ = asciiSortKeysFor(ordering);
    qsizetype textUnits = 0;
    for (quint32 i = begin; i < end; ++i)
      if (items[i].text) textUnits += items[i].text->size();
    arena_.resize(std::max<qsizetype>((end - begin) * 24, textUnits * 3 + (end - begin) * 16) + 64);
    entries_.reserve(end - begin);
    std::vector<qsizetype> offsets;
    offsets.reserve(end - begin);
    for (quint32 i = begin; i < end; ++i) {
      SortEntry entry{{0, 0}, nullptr, 0, i, items[i].rank};
      offsets.push_back(used_);
      if (entry.rank == ValueRank::String) {
        if (ordering == StringOrdering::ArticlesRemoved)
          appendKey(collatedText(ordering, *items[i].text));
        else
          appendKey(*items[i].text);
        entry.length = quint32(used_ - offsets.back());
      }
      entries_.push_back(entry);
    }
    // The arena has stopped moving: point the entries at their keys.
    const uint8_t* arena = bytes();
    for (size_t k = 0; k < entries_.size(); ++k) {
      SortEntry& entry = entries_[k];
      entry.key = arena + offsets[k];
      uint8_t head[kHeadBytes] = {};
      std::memcpy(head, entry.key, std::min(entry.length, kHeadBytes));
      entry.head[0] = qFromBigEndian<quint64>(head);
      entry.head[1] = qFromBigEndian<quint64>(head + 8);
    }
    std::sort(entries_.begin(), entries_.end(), EntryLess());
  }

  const std::vector<SortEntry>& entries() const { return entries_; }

 private:
  uint8_t* bytes() { return reinterpret_cast<uint8_t*>(arena_.data()); }

  void appendKey(const QString& text) {
    if (!collator_) {
      const QByteArray key = collationSortKey(nullptr, text);
      reserve(key.size());
      std::memcpy(bytes() + used_, key.constData(), size_t(key.size()));
      used_ += key.size();
      return;
    }
    if (fastKeys_) {
      reserve(fastKeys_->maxKeyBytes(text.size()));
      const qsizetype length = fastKeys_->write(text, bytes() + used_);
      if (length >= 0) {
        used_ += length;
        return;
      }
    }
    // constData(), not utf16(): utf16() may reallocate a string made over raw
    // data, and records that share one map reach the same string from both
    // halves of a sort.
    const auto* units = reinterpret_cast<const UChar*>(text.constData());
    reserve(text.size() * 3 + 16);
    int32_t needed = collator_->getSortKey(units, int32_t(text.size()), bytes() + used_,
                                           int32_t(std::min<qsizetype>(arena_.size() - used_, INT32_MAX)));
    if (needed > arena_.size() - used_) {
      reserve(needed);
      needed = collator_->getSortKey(units, int32_t(text.size()), bytes() + used_, needed);
    }
    used_ += needed;
  }

  void reserve(qsizetype more) {
    if (arena_.size() - used_ < more) arena_.resize(std::max(arena_.size() * 2, used_ + more));
  }

  const icu::Collator* collator_ = nullptr;
  const AsciiSortKeys* fastKeys_ = nullptr;
  std::vector<SortEntry> entries_;
  QByteArray arena_;
  qsizetype used_ = 0;
};

// Below this many elements a second thread costs more than it saves.
constexpr size_t kElementsForTwoThreads = 4096;

// Positions of `items` in ascending order; ties keep their order. Large lists
// are split in two halves, collated and sorted at the same time on two
// threads, then merged.
std::vector<quint32> sortedPositions(StringOrdering ordering, const std::vector<SortItem>& items) {
  const quint32 n = quint32(items.size());
  SortedRun first, second;
  quint32 half = n;
  if (items.size() >= kElementsForTwoThreads && std::thread::hardware_concurrency() > 1) {
    half = n / 2;
    (void)asciiSortKeysFor(ordering);  // made once, with the collator, before the threads share them
    std::thread worker;
    try {
      worker = std::thread([&] { second.build(ordering, items.data(), half, n); });
    } catch (const std::system_error&) {
      second.build(ordering, items.data(), half, n);  // no thread to be had: this one does both
    }
    first.build(ordering, items.data(), 0, half);
    if (worker.joinable()) worker.join();
  } else {
    first.build(ordering, items.data(), 0, n);
  }
  std::vector<quint32> positions;
  positions.reserve(n);
  auto a = first.entries().begin(), aEnd = first.entries().end();
  auto b = second.entries().begin(), bEnd = second.entries().end();
  while (a != aEnd && b != bEnd) positions.push_back((EntryLess()(*b, *a) ? *b++ : *a++).position);
  for (; a != aEnd; ++a) positions.push_back(a->position);
  for (; b != bEnd; ++b) positions.push_back(b->position);
  return positions;
}

template <typename List>
List inOrder(const List& receiver, const std::vector<quint32>& positions) {
  List sorted;
  sorted.reserve(receiver.size());
  for (quint32 position : positions) sorted.append(receiver[position]);
  return sorted;
}

// A copy takes a reference on the string's shared data, which the sort has
// scattered: those are fetched a few elements ahead.
QStringList inOrder(const QStringList& receiver, const std::vector<quint32>& positions) {
  constexpr size_t kAhead = 8;
  QStringList sorted;
  sorted.reserve(receiver.size());
  for (size_t i = 0; i < positions.size(); ++i) {
    if (i + kAhead < positions.size()) __builtin_prefetch(receiver[positions[i + kAhead]].constData(), 1);
    sorted.append(receiver[positions[i]]);
  }
  return sorted;
}

QStringList sortedStrings(const QStringList& receiver, StringOrdering ordering) {
  std::vector<SortItem> items;
  items.reserve(size_t(receiver.size()));
  for (const QString& text : receiver) items.push_back({ValueRank::String, &text});
  return inOrder(receiver, sortedPositions(ordering, items));
}

QVariantList sortedForKey(const QVariantList& receiver, const QString& key, StringOrdering ordering) {
  std::vector<SortItem> items;
  items.reserve(size_t(receiver.size()));
  const std::optional<QString> optionalKey(key);
  for (const QVariant& element : receiver) {
    const QVariant* value = comparedValue(element, optionalKey);
    items.push_back({rankOf(value), heldString(value)});
  }
  return inOrder(receiver, sortedPositions(ordering, items));
}

QList<QVariantMap> sortedForKey(const QList<QVariantMap>& receiver, const QString& key,
                                StringOrdering ordering) {
  std::vector<SortItem> items;
  items.reserve(size_t(receiver.size()));
  for (const QVariantMap& record : receiver) {
    const auto it = record.constFind(key);
    const QVariant* value = it == record.cend() ? nullptr : &*it;
    items.push_back({rankOf(value), heldString(value)});
  }
  return inOrder(receiver, sortedPositions(ordering, items));
}

}  // namespace

namespace Tirr_NSArrayAdditions {

QStringList sort(const QStringList& receiver) {
  return sortedStrings(receiver, StringOrdering::CaseInsensitive);
}

QVariantList sortForKey(const QVariantList& receiver, const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::CaseInsensitive);
}

QList<QVariantMap> sortForKey(const QList<QVariantMap>& receiver, const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::CaseInsensitive);
}

QStringList sortWithStringsAsNumbersSort(const QStringList& receiver) {
  return sortedStrings(receiver, StringOrdering::Numeric);
}

QVariantList sortWithStringsAsNumbersSortForKey(const QVariantList& receiver, const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::Numeric);
}

QList<QVariantMap> sortWithStringsAsNumbersSortForKey(const QList<QVariantMap>& receiver,
                                                      const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::Numeric);
}

QStringList sortWithCleanedStringSort(const QStringList& receiver) {
  return sortedStrings(receiver, StringOrdering::ArticlesRemoved);
}

QVariantList sortWithCleanedStringSortForKey(const QVariantList& receiver, const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::ArticlesRemoved);
}

QList<QVariantMap> sortWithCleanedStringSortForKey(const QList<QVariantMap>& receiver, const QString& key) {
  return sortedForKey(receiver, key, StringOrdering::ArticlesRemoved);
}

QStringList sortRemovingDuplicates(const QStringList& receiver) {
  // Sorting keeps equal elements in receiver order, so after sorting the first
  // copy of each string is its first occurrence: sorting the first occurrences
  // alone gives what walking the whole sorted list and skipping strings already
  // kept gives, without collating the repeats and without a quadratic walk.
  QStringList firstOccurrences = receiver;
  firstOccurrences.removeDuplicates();
  return sort(firstOccurrences);
}

}  // namespace Tirr_NSArrayAdditions

namespace Tirr_NSMutableArrayAdditions {

void insertAndSortNumber(QVariantList& receiver, const QVariant& value) {
  qsizetype n = receiver.size();
  if (n == 0) {
    receiver.append(value);
    return;
  }
  qsizetype lo = 0;
  for (;;) {
    const qsizetype half = n / 2;
    const qsizetype mid = lo + half;
    const int order = compareListElements(value, receiver[mid]);
    if (order == 0) {
      receiver.insert(mid, value);
      return;
    }
    if (order > 0) {
      lo = mid + 1;
      n -= half + 1;
    } else {
      n = half;
    }
    if (n == 0) {
      receiver.insert(lo, value);
      return;
    }
  }
}

}  // namespace Tirr_NSMutableArrayAdditions
