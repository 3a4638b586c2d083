// The call list in content order, as a table of five columns: index, number,
// date, success (a check box) and note (editable text). Edits from the view
// are written into the records themselves.
#pragma once

#include <QAbstractTableModel>

#include "app/call_list_io.h"

class CallListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { IndexColumn, NumberColumn, DateColumn, SuccessColumn, NoteColumn, ColumnCount };

  explicit CallListModel(QObject* parent = nullptr);

  // Replaces the whole list (a model reset). Emits no contentChanged: whoever
  // replaces the list decides whether it needs storing.
  void setContent(CallList records);
  [[nodiscard]] const CallList& content() const { return records_; }
  // One record as a dictionary.
  [[nodiscard]] QVariantMap record(int row) const { return records_.record(row); }

  // Sets one record's "date", replacing any earlier one.
  void stampDate(int row, const QDateTime& when);
  // Puts `value` back into a field of one record exactly as given (an invalid
  // QVariant removes it), as undoing an edit does. Emits no recordEdited.
  void restoreValue(int row, CallField field, const QVariant& value);

  // The text a cell shows: numbers as the export writes them (numberText),
  // dates in the user's locale.
  [[nodiscard]] static QString displayText(const QVariant& value);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  // The record key a column shows.
  [[nodiscard]] static const QString& keyForColumn(int column);
  // The field a column shows.
  [[nodiscard]] static CallField fieldForColumn(int column) {
    return CallField(qBound(0, column, ColumnCount - 1));
  }

 Q_SIGNALS:
  // A record changed in place (a table edit or a date stamp) and should be stored.
  void contentChanged();
  // The table edited `field` of the record at `row`, which held `before` (invalid when absent).
  void recordEdited(int row, CallField field, const QVariant& before);

 private:
  CallList records_;
};
