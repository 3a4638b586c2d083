// The table's arranged order over the call list: a sorting proxy that keeps a
// permutation of the content rows. Sorting computes one key per row once
// (numbers by value, texts by the locale's numeric-aware collation) and sorts
// row numbers with them, which stays fast for a million rows where the stock
// QSortFilterProxyModel compares QVariants pairwise.
//
// Like a table bound to an array controller, edits do not move rows; the order
// is re-applied by sort() or rearrange().
//
// A row filter may hide records. Which rows are shown is decided when the
// filter is set and when the content is replaced; an edit that makes a shown
// record fail the filter leaves it in place until the filter is set again.
#pragma once

#include <QAbstractProxyModel>
#include <QList>
#include <functional>

#include "app/call_list.h"

class CallListSortModel : public QAbstractProxyModel {
  Q_OBJECT

 public:
  explicit CallListSortModel(QObject* parent = nullptr);

  void setSourceModel(QAbstractItemModel* source) override;

  // Sorts by `column`; -1 restores content order. Ties keep content order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
  // Re-applies the current sort after records were edited; a no-op while the
  // order is still the one computed when the content was last replaced or sorted.
  void rearrange();

  // Shows only the records `accepts` answers true for; an empty function
  // shows all. Resets the model: the caller restores the selection.
  using RowFilter = std::function<bool(const CallList&, qsizetype row)>;
  void setRowFilter(RowFilter accepts);

  [[nodiscard]] int sortColumn() const { return sortColumn_; }
  [[nodiscard]] Qt::SortOrder sortOrder() const { return sortOrder_; }

  QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
  QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;

 private:
  void onSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                           const QList<int>& roles);
  void onSourceReset();
  // Fills shownRows_ with the content rows the filter accepts.
  void applyFilter();
  // Fills proxyToSource_ with shownRows_ in sorted order for the current column and order.
  void computeOrder();
  void rebuildInverse();
  // Sorts again and moves persistent indexes (the selection) with their rows.
  void reorder();

  QList<int> shownRows_;  // content order
  QList<int> proxyToSource_;
  QList<int> sourceToProxy_;  // -1 for a hidden row
  RowFilter filter_;
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  bool orderFresh_ = true;
};
