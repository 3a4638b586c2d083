#include "app/array_controller.h"

#include <algorithm>

ArrayController::ArrayController(QObject* parent) : QObject(parent), selection_(&arranged_) {
  arranged_.setSourceModel(&model_);
}

void ArrayController::setContent(CallList records) { model_.setContent(std::move(records)); }

QList<int> ArrayController::selectedContentRows() const {
  QList<int> tableRows;
  for (const QModelIndex& index : selection_.selectedRows()) tableRows.append(index.row());
  std::sort(tableRows.begin(), tableRows.end());
  QList<int> contentRows;
  contentRows.reserve(tableRows.size());
  for (int row : tableRows) contentRows.append(arranged_.mapToSource(arranged_.index(row, 0)).row());
  return contentRows;
}

QList<QVariantMap> ArrayController::selectedObjects() const {
  QList<QVariantMap> records;
  for (int row : selectedContentRows()) records.append(model_.record(row));
  return records;
}

void ArrayController::rearrangeObjects() { arranged_.rearrange(); }
