#include "app/call_list_sort_model.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "app/call_list_model.h"
#include "collections/collation.h"

namespace {

// The user's locale collation, case-insensitive and numeric-aware ("555-9" before
// "555-10"); the C locale sorts with the root collation.
icu::Collator* tableCollator() {
  static const std::unique_ptr<icu::Collator> collator =
      createCollator({.strength = icu::Collator::SECONDARY, .numeric = true});
  return collator.get();
}

// An ICU sort key: comparing the bytes compares the texts by collation.
QByteArray collationKey(QStringView text) {
  icu::Collator* collator = tableCollator();
  if (!collator) return text.toUtf8();
  return collationSortKey(collator, text);
}

// The first eight bytes of `bytes` from `offset`, as a big-endian number, so
// that comparing the numbers compares the bytes.
quint64 bigEndianPrefix(const QByteArray& bytes, qsizetype offset) {
  quint64 prefix = 0;
  for (qsizetype i = offset; i < offset + 8; ++i)
    prefix = (prefix << 8) | (i < bytes.size() ? quint8(bytes[i]) : 0);
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
// full key is only looked at when two heads agree and a key is longer.
struct RowKey {
  quint32 group;  // 0 absent, 1 number, 2 text
  quint32 row;
  quint64 head[2];
};

constexpr qsizetype kHeadBytes = 16;

RowKey keyFor(const CallList& calls, qsizetype row, CallField field, QByteArray* fullText) {
  const CallValue& v = calls.field(row, field);
  const auto number = [row](double value) { return RowKey{1, quint32(row), {orderedBits(value), 0}}; };
  switch (v.kind) {
    case CallValue::Kind::Absent:
      return {0, quint32(row), {0, 0}};
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
    default: {
      const QByteArray key =
          collationKey(v.isText() ? calls.text(row, field) : QStringView(calls.value(row, field).toString()));
      if (key.size() > kHeadBytes) *fullText = key;
      return {2, quint32(row), {bigEndianPrefix(key, 0), bigEndianPrefix(key, 8)}};
    }
  }
}

// Orders two rows' keys; -1, 0 or 1. Equal keys are left to the row numbers.
int compareKeys(const RowKey& a, const RowKey& b, const std::vector<QByteArray>& fullTexts) {
  if (a.group != b.group) return a.group < b.group ? -1 : 1;
  for (int i = 0; i < 2; ++i)
    if (a.head[i] != b.head[i]) return a.head[i] < b.head[i] ? -1 : 1;
  if (a.group == 2) {
    const QByteArray& x = fullTexts[a.row];
    const QByteArray& y = fullTexts[b.row];
    if (!x.isEmpty() || !y.isEmpty()) return x.compare(y) < 0 ? -1 : (y.compare(x) < 0 ? 1 : 0);
  }
  return 0;
}

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
  const CallList& content = calls->content();
  std::vector<RowKey> keys;
  std::vector<QByteArray> fullTexts(content.size());
  keys.reserve(rows);
  for (const int row : shownRows_) keys.push_back(keyFor(content, row, column, &fullTexts[row]));

  // Ties keep content order in both directions, so the row number decides them.
  const bool descending = sortOrder_ == Qt::DescendingOrder;
  std::sort(keys.begin(), keys.end(), [&](const RowKey& a, const RowKey& b) {
    const int c = compareKeys(a, b, fullTexts);
    if (c != 0) return descending ? c > 0 : c < 0;
    return a.row < b.row;
  });
  for (qsizetype i = 0; i < rows; ++i) proxyToSource_[i] = int(keys[i].row);
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
