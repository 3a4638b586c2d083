#include "app/call_list_sort_model.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "app/call_list_model.h"
#include "collections/ascii_sort_keys.h"
#include "collections/collation.h"
#include "text/large_array.h"

namespace {

// The user's locale collation, case-insensitive and numeric-aware ("555-9" before
// "555-10"); the C locale sorts with the root collation.
icu::Collator* tableCollator() {
  static const std::unique_ptr<icu::Collator> collator =
      createCollator({.strength = icu::Collator::SECONDARY, .numeric = true});
  return collator.get();
}

// Keys of plain ASCII texts made without ICU, the same bytes ICU makes; most
// numbers and many notes are plain ASCII. Nullptr when the locale's collation
// is beyond them.
const AsciiSortKeys* tableAsciiKeys() {
  static const std::unique_ptr<AsciiSortKeys> keys =
      tableCollator() ? AsciiSortKeys::learn(*tableCollator(), true) : nullptr;
  return keys.get();
}

// The first eight bytes from `bytes`, as a big-endian number, so that
// comparing the numbers compares the bytes; missing bytes count as zero.
quint64 bigEndianPrefix(const quint8* bytes, qsizetype size) {
  quint64 prefix = 0;
  for (qsizetype i = 0; i < 8; ++i) prefix = (prefix << 8) | (i < size ? bytes[i] : 0);
  return prefix;
}

// A double mapped to an unsigned number of the same order.
quint64 orderedBits(double value) {
  if (value == 0) value = 0;  // -0 and +0 are the same
  quint64 bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

// One row's place in the order, packed so that a sort of a million rows runs
// over contiguous memory: absent values first, then numbers (dates, booleans)
// by value, then texts by collation. A text's sort key starts in `head`; the
// whole key, in the keys' shared block, is only looked at when two heads agree.
struct RowKey {
  quint32 group;  // 0 absent, 1 number, 2 text
  quint32 row;
  quint64 head[2];
  quint64 keyAt;  // texts: where the key starts in the block
  quint32 keySize;
};

constexpr qsizetype kHeadBytes = 16;

// Makes the rows' keys, texts' collation keys one after another in one block.
class KeyMaker {
 public:
  explicit KeyMaker(const CallList& calls) : calls_(calls), ascii_(tableAsciiKeys()) {}

  RowKey keyFor(qsizetype row, CallField field) {
    const CallValue& v = calls_.field(row, field);
    const auto number = [row](double value) { return RowKey{1, quint32(row), {orderedBits(value), 0}, 0, 0}; };
    switch (v.kind) {
      case CallValue::Kind::Absent:
        return {0, quint32(row), {0, 0}, 0, 0};
      case CallValue::Kind::Integer:
        return number(double(v.integer));
      case CallValue::Kind::Real:
        return number(v.real);
      case CallValue::Kind::Float:
        return number(double(v.single));
      case CallValue::Kind::Bool:
        return number(v.boolean ? 1 : 0);
      case CallValue::Kind::Date:
        return number(double(v.msecs));
      default:
        break;
    }
    const qsizetype at = appendKey(v.isText() ? calls_.text(row, field) : QStringView(scratch_ = calls_.value(row, field).toString()));
    const quint8* key = keys_.data() + at;
    const qsizetype size = keys_.size() - at;
    return {2, quint32(row), {bigEndianPrefix(key, size), size > 8 ? bigEndianPrefix(key + 8, size - 8) : 0},
            quint64(at), quint32(size)};
  }

  [[nodiscard]] const quint8* keys() const { return keys_.data(); }

 private:
  qsizetype appendKey(QStringView text) {
    const qsizetype at = keys_.size();
    if (ascii_) {
      quint8* out = keys_.grow(ascii_->maxKeyBytes(text.size()));
      const qsizetype written = ascii_->write(text, out);
      if (written >= 0) {
        keys_.shrink(at + written);
        return at;
      }
      keys_.shrink(at);
    }
    icu::Collator* collator = tableCollator();
    const QByteArray key = collator ? collationSortKey(collator, text) : text.toUtf8();
    keys_.append(reinterpret_cast<const quint8*>(key.constData()), key.size());
    return at;
  }

  const CallList& calls_;
  const AsciiSortKeys* ascii_;
  LargeArray<quint8> keys_;
  QString scratch_;
};

// Orders two rows' keys, each with the block its text key is in; -1, 0 or 1.
// Equal keys are left to the row numbers.
int compareKeys(const RowKey& a, const quint8* aKeys, const RowKey& b, const quint8* bKeys) {
  if (a.group != b.group) return a.group < b.group ? -1 : 1;
  for (int i = 0; i < 2; ++i)
    if (a.head[i] != b.head[i]) return a.head[i] < b.head[i] ? -1 : 1;
  if (a.group != 2 || (a.keySize <= kHeadBytes && b.keySize <= kHeadBytes)) return 0;
  const qsizetype common = std::min(a.keySize, b.keySize);
  const int c = common > kHeadBytes ? std::memcmp(aKeys + a.keyAt + kHeadBytes, bKeys + b.keyAt + kHeadBytes,
                                                  size_t(common - kHeadBytes))
                                    : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return a.keySize == b.keySize ? 0 : (a.keySize < b.keySize ? -1 : 1);
}

// The keys of some of the shown rows, sorted.
struct SortedRun {
  SortedRun(const CallList& calls) : maker(calls) {}
  KeyMaker maker;
  LargeArray<RowKey> keys;
};

// Ties keep content order in both directions, so the row number decides them.
bool before(const RowKey& a, const quint8* aKeys, const RowKey& b, const quint8* bKeys, bool descending) {
  const int c = compareKeys(a, aKeys, b, bKeys);
  if (c != 0) return descending ? c > 0 : c < 0;
  return a.row < b.row;
}

void buildRun(SortedRun& run, const QList<int>& rows, qsizetype from, qsizetype to, CallField column,
              bool descending) {
  run.keys.reserve(to - from);
  for (qsizetype i = from; i < to; ++i) run.keys.append(run.maker.keyFor(rows[i], column));
  const quint8* keys = run.maker.keys();
  std::sort(run.keys.data(), run.keys.data() + run.keys.size(),
            [&](const RowKey& a, const RowKey& b) { return before(a, keys, b, keys, descending); });
}

// Below this many rows a second thread costs more than it saves.
constexpr qsizetype kRowsForTwoThreads = 4096;

}  // namespace

CallListSortModel::CallListSortModel(QObject* parent) : QAbstractProxyModel(parent) {}

void CallListSortModel::setSourceModel(QAbstractItemModel* source) {
  beginResetModel();
  if (QAbstractItemModel* old = sourceModel()) disconnect(old, nullptr, this, nullptr);
  QAbstractProxyModel::setSourceModel(source);
  if (source) {
    connect(source, &QAbstractItemModel::dataChanged, this, &CallListSortModel::onSourceDataChanged);
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
      onSourceReset();
      endResetModel();
    });
    // The call list is only ever replaced whole; any other structural change
    // is handled as a reset so the permutation never goes stale.
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::rowsInserted, this, [this] {
      onSourceReset();
      endResetModel();
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::rowsRemoved, this, [this] {
      onSourceReset();
      endResetModel();
    });
  }
  onSourceReset();
  endResetModel();
}

void CallListSortModel::onSourceReset() {
  applyFilter();
  computeOrder();
  rebuildInverse();
  orderFresh_ = true;
}

void CallListSortModel::applyFilter() {
  const int rows = sourceModel() ? sourceModel()->rowCount() : 0;
  auto* calls = qobject_cast<CallListModel*>(sourceModel());
  shownRows_.clear();
  shownRows_.reserve(rows);
  for (int row = 0; row < rows; ++row)
    if (!filter_ || !calls || filter_(calls->content(), row)) shownRows_.append(row);
}

void CallListSortModel::setRowFilter(RowFilter accepts) {
  beginResetModel();
  filter_ = std::move(accepts);
  onSourceReset();
  endResetModel();
}

void CallListSortModel::computeOrder() {
  proxyToSource_ = shownRows_;
  const qsizetype rows = proxyToSource_.size();
  auto* calls = qobject_cast<CallListModel*>(sourceModel());
  if (sortColumn_ < 0 || !calls || rows < 2) return;

  const CallField column = CallListModel::fieldForColumn(sortColumn_);
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  // Keys are made and sorted in two halves at once on two threads, then
  // merged. The collator and the ASCII keys are made before the threads
  // share them.
  (void)tableAsciiKeys();
  SortedRun first(calls->content()), second(calls->content());
  qsizetype half = rows;
  if (rows >= kRowsForTwoThreads && std::thread::hardware_concurrency() > 1) {
    half = rows / 2;
    std::thread worker;
    try {
      worker = std::thread([&] { buildRun(second, shownRows_, half, rows, column, descending); });
    } catch (const std::system_error&) {
      buildRun(second, shownRows_, half, rows, column, descending);
    }
    buildRun(first, shownRows_, 0, half, column, descending);
    if (worker.joinable()) worker.join();
  } else {
    buildRun(first, shownRows_, 0, rows, column, descending);
  }
  const RowKey* a = first.keys.data();
  const RowKey* const aEnd = a + first.keys.size();
  const RowKey* b = second.keys.data();
  const RowKey* const bEnd = b + second.keys.size();
  const quint8* aKeys = first.maker.keys();
  const quint8* bKeys = second.maker.keys();
  for (qsizetype i = 0; i < rows; ++i) {
    const bool takeB = b != bEnd && (a == aEnd || before(*b, bKeys, *a, aKeys, descending));
    proxyToSource_[i] = int((takeB ? b++ : a++)->row);
  }
}

void CallListSortModel::rebuildInverse() {
  sourceToProxy_.fill(-1, sourceModel() ? sourceModel()->rowCount() : 0);
  for (int proxyRow = 0; proxyRow < proxyToSource_.size(); ++proxyRow)
    sourceToProxy_[proxyToSource_[proxyRow]] = proxyRow;
}

void CallListSortModel::sort(int column, Qt::SortOrder order) {
  sortColumn_ = column < CallListModel::ColumnCount ? column : -1;
  sortOrder_ = order;
  reorder();
}

void CallListSortModel::rearrange() {
  if (orderFresh_) return;
  reorder();
}

void CallListSortModel::reorder() {
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList persistent = persistentIndexList();
  QList<QModelIndex> sources;
  sources.reserve(persistent.size());
  for (const QModelIndex& index : persistent) sources.append(mapToSource(index));

  computeOrder();
  rebuildInverse();

  QModelIndexList moved;
  moved.reserve(persistent.size());
  for (const QModelIndex& source : sources) moved.append(mapFromSource(source));
  changePersistentIndexList(persistent, moved);
  orderFresh_ = true;
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void CallListSortModel::onSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                            const QList<int>& roles) {
  if (!topLeft.isValid() || !bottomRight.isValid()) return;
  orderFresh_ = false;
  // Rows keep their places on edits; each changed source row maps to one proxy row.
  for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
    const int proxyRow = sourceToProxy_.value(row, -1);
    if (proxyRow < 0) continue;
    Q_EMIT dataChanged(index(proxyRow, topLeft.column()), index(proxyRow, bottomRight.column()), roles);
  }
}

QModelIndex CallListSortModel::mapToSource(const QModelIndex& proxyIndex) const {
  if (!proxyIndex.isValid() || !sourceModel() || proxyIndex.row() >= proxyToSource_.size()) return {};
  return sourceModel()->index(proxyToSource_[proxyIndex.row()], proxyIndex.column());
}

QModelIndex CallListSortModel::mapFromSource(const QModelIndex& sourceIndex) const {
  if (!sourceIndex.isValid() || sourceIndex.row() >= sourceToProxy_.size()) return {};
  const int proxyRow = sourceToProxy_[sourceIndex.row()];
  return proxyRow < 0 ? QModelIndex() : index(proxyRow, sourceIndex.column());
}

QModelIndex CallListSortModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return {};
  return createIndex(row, column);
}

QModelIndex CallListSortModel::parent(const QModelIndex&) const { return {}; }

int CallListSortModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(proxyToSource_.size());
}

int CallListSortModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}
