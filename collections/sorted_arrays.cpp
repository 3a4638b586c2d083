#include "collections/sorted_arrays.h"

#include <QSet>
#include <cstring>
#include <vector>

#include "collections/collation.h"
#include "collections/list_elements.h"
#include "collections/string_orderings.h"

namespace {

// One element's place in a sort: its rank, then its collation key, which lives
// in a shared arena so that a sort of many strings makes no allocation per
// element. The key's first eight bytes are kept inline (big-endian) so most
// comparisons never leave the entry array.
struct SortEntry {
  quint64 head;
  quint32 offset;
  quint32 length;
  quint32 position;
  ValueRank rank;
};

class SortKeyTable {
 public:
  SortKeyTable(StringOrdering ordering, qsizetype count)
      : ordering_(ordering), collator_(collatorFor(ordering)) {
    entries_.reserve(size_t(count));
    arena_.resize(size_t(count) * 24 + 64);
  }

  void add(ValueRank rank, const QString* text) {
    SortEntry entry{0, quint32(used_), 0, quint32(entries_.size()), rank};
    if (rank == ValueRank::String) {
      appendKey(collatedText(ordering_, *text));
      entry.length = quint32(used_ - entry.offset);
      for (quint32 i = 0; i < 8; ++i)
        entry.head = (entry.head << 8) | (i < entry.length ? arena_[entry.offset + i] : 0);
    }
    entries_.push_back(entry);
  }

  // Positions of the added values in ascending order; ties keep insertion order.
  std::vector<quint32> sortedPositions() {
    std::sort(entries_.begin(), entries_.end(), [this](const SortEntry& a, const SortEntry& b) {
      if (a.rank != b.rank) return a.rank < b.rank;
      if (a.head != b.head) return a.head < b.head;
      const int c = std::memcmp(&arena_[a.offset], &arena_[b.offset], std::min(a.length, b.length));
      if (c != 0) return c < 0;
      if (a.length != b.length) return a.length < b.length;
      return a.position < b.position;
    });
    std::vector<quint32> positions;
    positions.reserve(entries_.size());
    for (const SortEntry& entry : entries_) positions.push_back(entry.position);
    return positions;
  }

 private:
  void appendKey(const QString& text) {
    if (!collator_) {
      const QByteArray key = collationSortKey(nullptr, text);
      reserve(size_t(key.size()));
      std::memcpy(&arena_[used_], key.constData(), size_t(key.size()));
      used_ += size_t(key.size());
      return;
    }
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    reserve(size_t(text.size()) * 3 + 16);
    int32_t needed =
        collator_->getSortKey(units, int32_t(text.size()), &arena_[used_], int32_t(arena_.size() - used_));
    if (size_t(needed) > arena_.size() - used_) {
      reserve(size_t(needed));
      needed = collator_->getSortKey(units, int32_t(text.size()), &arena_[used_], needed);
    }
    used_ += size_t(needed);
  }

  void reserve(size_t bytes) {
    if (arena_.size() - used_ < bytes) arena_.resize(std::max(arena_.size() * 2, used_ + bytes));
  }

  StringOrdering ordering_;
  const icu::Collator* collator_;
  std::vector<SortEntry> entries_;
  std::vector<uint8_t> arena_;
  size_t used_ = 0;
};

template <typename List>
List inOrder(const List& receiver, const std::vector<quint32>& positions) {
  List sorted;
  sorted.reserve(receiver.size());
  for (quint32 position : positions) sorted.append(receiver[position]);
  return sorted;
}

QStringList sortedStrings(const QStringList& receiver, StringOrdering ordering) {
  SortKeyTable table(ordering, receiver.size());
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
  // Keeping the first sighting of each string in sorted order is what testing
  // each element against all kept ones gives, in linear rather than quadratic time.
  QStringList kept;
  QSet<QString> seen;
  seen.reserve(receiver.size());
  for (const QString& text : sort(receiver))
    if (!seen.contains(text)) {
      seen.insert(text);
      kept.append(text);
    }
  return kept;
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
