#include "collections/sorted_arrays.h"

#include <cstring>
#include <vector>

#include "collections/collation.h"
#include "collections/list_elements.h"
#include "collections/string_orderings.h"

namespace {

// One element's place in a sort: its rank, then its collation key, which lives
// in a shared arena so that a sort of many strings makes no allocation per
// element. The key's first sixteen bytes are kept inline (big-endian numbers,
// zero-padded) so that most comparisons never leave the entry array.
struct SortEntry {
  quint64 head[2];
  quint32 offset;
  quint32 length;
  quint32 position;
  ValueRank rank;
};

constexpr quint32 kHeadBytes = 16;

class SortKeyTable {
 public:
  // `textUnits`, the strings' total length if known, sizes the key arena.
  SortKeyTable(StringOrdering ordering, qsizetype count, qsizetype textUnits = 0)
      : ordering_(ordering),
        collator_(collatorFor(ordering)),
        arena_(std::max(count * 24, textUnits * 3 + count * 16) + 64, Qt::Uninitialized) {
    entries_.reserve(size_t(count));
  }

  void add(ValueRank rank, const QString* text) {
    SortEntry entry{{0, 0}, quint32(used_), 0, quint32(entries_.size()), rank};
    if (rank == ValueRank::String) {
      appendKey(collatedText(ordering_, *text));
      entry.length = quint32(used_ - entry.offset);
      const auto* key = bytes() + entry.offset;
      for (quint32 i = 0; i < kHeadBytes; ++i)
        entry.head[i / 8] = (entry.head[i / 8] << 8) | (i < entry.length ? key[i] : 0);
    }
    entries_.push_back(entry);
  }

  // Positions of the added values in ascending order; ties keep insertion order.
  std::vector<quint32> sortedPositions() {
    const uint8_t* arena = bytes();
    std::sort(entries_.begin(), entries_.end(), [arena](const SortEntry& a, const SortEntry& b) {
      if (a.rank != b.rank) return a.rank < b.rank;
      if (a.head[0] != b.head[0]) return a.head[0] < b.head[0];
      if (a.head[1] != b.head[1]) return a.head[1] < b.head[1];
      // Equal heads: both keys are at least that long or padded alike.
      const quint32 common = std::min(a.length, b.length);
      if (common > kHeadBytes) {
        const int c =
            std::memcmp(arena + a.offset + kHeadBytes, arena + b.offset + kHeadBytes, common - kHeadBytes);
        if (c != 0) return c < 0;
      }
      if (a.length != b.length) return a.length < b.length;
      return a.position < b.position;
    });
    std::vector<quint32> positions;
    positions.reserve(entries_.size());
    for (const SortEntry& entry : entries_) positions.push_back(entry.position);
    return positions;
  }

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
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
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

  StringOrdering ordering_;
  const icu::Collator* collator_;
  std::vector<SortEntry> entries_;
  QByteArray arena_;
  qsizetype used_ = 0;
};

template <typename List>
List inOrder(const List& receiver, const std::vector<quint32>& positions) {
  List sorted;
  sorted.reserve(receiver.size());
  for (quint32 position : positions) sorted.append(receiver[position]);
  return sorted;
}

QStringList sortedStrings(const QStringList& receiver, StringOrdering ordering) {
  qsizetype textUnits = 0;
  for (const QString& text : receiver) textUnits += text.size();
  SortKeyTable table(ordering, receiver.size(), textUnits);
  for (const QString& text : receiver) table.add(ValueRank::String, &text);
  return inOrder(receiver, table.sortedPositions());
}

QVariantList sortedForKey(const QVariantList& receiver, const QString& key, StringOrdering ordering) {
  SortKeyTable table(ordering, receiver.size());
  const std::optional<QString> optionalKey(key);
  for (const QVariant& element : receiver) {
    const QVariant* value = comparedValue(element, optionalKey);
    table.add(rankOf(value), heldString(value));
  }
  return inOrder(receiver, table.sortedPositions());
}

QList<QVariantMap> sortedForKey(const QList<QVariantMap>& receiver, const QString& key,
                                StringOrdering ordering) {
  SortKeyTable table(ordering, receiver.size());
  for (const QVariantMap& record : receiver) {
    const auto it = record.constFind(key);
    const QVariant* value = it == record.cend() ? nullptr : &*it;
    table.add(rankOf(value), heldString(value));
  }
  return inOrder(receiver, table.sortedPositions());
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
