#include "app/call_list_model.h"

#include <QCoreApplication>

#include "app/cell_text.h"

CallListModel::CallListModel(QObject* parent) : QAbstractTableModel(parent) {}

void CallListModel::setContent(CallList records) {
  beginResetModel();
  records_ = std::move(records);
  endResetModel();
}

void CallListModel::stampDate(int row, const QDateTime& when) {
  if (row < 0 || row >= records_.size()) return;
  records_[row].insert(CallKeys::date, when.toUTC());
  const QModelIndex cell = index(row, DateColumn);
  Q_EMIT dataChanged(cell, cell);
  Q_EMIT contentChanged();
}

void CallListModel::restoreValue(int row, const QString& key, const QVariant& value) {
  if (row < 0 || row >= records_.size()) return;
  if (value.isValid())
    records_[row].insert(key, value);
  else
    records_[row].remove(key);
  int column = 0;
  while (column < ColumnCount - 1 && keyForColumn(column) != key) ++column;
  const QModelIndex cell = index(row, column);
  Q_EMIT dataChanged(cell, cell);
  Q_EMIT contentChanged();
}

const QString& CallListModel::keyForColumn(int column) {
  static const QString* const keys[ColumnCount] = {&CallKeys::index, &CallKeys::number, &CallKeys::date,
                                                   &CallKeys::success, &CallKeys::note};
  return *keys[qBound(0, column, ColumnCount - 1)];
}

QString CallListModel::displayText(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QDateTime:
      return formatCallDate(value.toDateTime());
    case QMetaType::Bool:
      return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
      return numberText(value).value_or(value.toString());
  }
}

int CallListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(records_.size());
}

int CallListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CallListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
  const QVariantMap& record = records_.at(index.row());
  const int column = index.column();
  if (column == SuccessColumn) {
    if (role == Qt::CheckStateRole)
      return record.value(CallKeys::success).toBool() ? Qt::Checked : Qt::Unchecked;
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole) {
    const auto it = record.constFind(keyForColumn(column));
    const QString text = it == record.cend() ? QString() : displayText(*it);
    return role == Qt::EditRole ? text : shownCellText(text);
  }
  if (role == Qt::TextAlignmentRole && column == IndexColumn)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
    return QAbstractTableModel::headerData(section, orientation, role);
  static const char* const titles[ColumnCount] = {
      QT_TRANSLATE_NOOP("ui", "Index"), QT_TRANSLATE_NOOP("ui", "Number"), QT_TRANSLATE_NOOP("ui", "Date"),
      QT_TRANSLATE_NOOP("ui", "Success"), QT_TRANSLATE_NOOP("ui", "Note")};
  return QCoreApplication::translate("ui", titles[section]);
}

Qt::ItemFlags CallListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (!index.isValid()) return f;
  if (index.column() == SuccessColumn) f |= Qt::ItemIsUserCheckable;
  if (index.column() == NoteColumn) f |= Qt::ItemIsEditable;
  return f;
}

bool CallListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return false;
  QVariantMap& record = records_[index.row()];
  const QString& key = keyForColumn(index.column());
  const QVariant before = record.value(key);
  if (index.column() == SuccessColumn && role == Qt::CheckStateRole) {
    record.insert(CallKeys::success, value.toInt() == Qt::Checked);
  } else if (index.column() == NoteColumn && role == Qt::EditRole) {
    record.insert(CallKeys::note, value.toString());
  } else {
    return false;
  }
  if (record.value(key) != before) Q_EMIT recordEdited(index.row(), key, before);
  Q_EMIT dataChanged(index, index, {role, Qt::DisplayRole});
  Q_EMIT contentChanged();
  return true;
}
