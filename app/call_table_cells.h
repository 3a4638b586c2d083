// How the table draws numbers and dates.
//
// A date cell shows the call date in the user's locale (short date, medium
// time) with a four-digit year: "12/6/2026, 9:41:07 AM" where the export
// writes "12/6/26, 9:41:07 AM".
//
// A number cell shows every invisible character that could hide a digit or
// change the order in which digits are seen (a U+202E override, a zero-width
// space) visibly, as "[U+202E]", and lays the text out left to right in the
// order it is stored, which is the order it is dialled.
#pragma once

#include <QDateTime>
#include <QStyledItemDelegate>

// A call date as the table shows it: the export's style with the year in full.
[[nodiscard]] QString formatTableDate(const QDateTime& date);

class NumberCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The text drawn for a number: visibleNumberText wrapped in a left-to-right
  // override (U+202D ... U+202C), so no letter or digit of it is reordered.
  [[nodiscard]] QString displayText(const QVariant& value, const QLocale& locale) const override;
};

class DateCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // Writes the record's date with formatTableDate; the model's text is the export's form.
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
