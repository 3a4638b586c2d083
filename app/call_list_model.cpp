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
  records_.setValue(row, CallField::Date, when.toUTC());
  const QModelIndex cell = index(row, DateColumn);
  Q_EMIT dataChanged(cell, cell);
  Q_EMIT contentChanged();
}

void CallListModel::restoreValue(int row, CallField field, const QVariant& value) {
  if (row < 0 || row >= records_.size()) return;
  records_.setValue(row, field, value);
  const QModelIndex cell = index(row, int(field));
  Q_EMIT dataChanged(cell, cell);
  Q_EMIT contentChanged();
}

const QString& CallListModel::keyForColumn(int column) { return callKey(fieldForColumn(column)); }

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
  const int row = index.row();
  const int column = index.column();
  if (column == SuccessColumn) {
    if (role == Qt::CheckStateRole) return records_.succeeded(row) ? Qt::Checked : Qt::Unchecked;
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole) {
    const CallField field = fieldForColumn(column);
    if (records_.field(row, field).isText()) {
      const QStringView text = records_.text(row, field);
      return role == Qt::EditRole ? text.toString() : shownCellText(text);
    }
    const QString text = records_.has(row, field) ? displayText(records_.value(row, field)) : QString();
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
  const int row = index.row();
  const CallField field = fieldForColumn(index.column());
  const QVariant before = records_.value(row, field);
  if (index.column() == SuccessColumn && role == Qt::CheckStateRole) {
    records_.setValue(row, field, value.toInt() == Qt::Checked);
  } else if (index.column() == NoteColumn && role == Qt::EditRole) {
    records_.setValue(row, field, value.toString());
  } else {
    return false;
  }
  if (records_.value(row, field) != before) Q_EMIT recordEdited(row, field, before);
  Q_EMIT dataChanged(index, index, {role, Qt::DisplayRole});
  Q_EMIT contentChanged();
  return true;
}
