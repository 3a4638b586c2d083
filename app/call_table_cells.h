// How the table draws numbers and dates.
//
// A number cell shows every invisible character that could hide a digit or
// change the order in which digits are seen (a U+202E override, a zero-width
// space) visibly, as "[U+202E]", and lays the text out left to right in the
// order it is stored, which is the order it is dialled.
#pragma once

#include <QStyledItemDelegate>

class NumberCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // The text drawn for a number: visibleNumberText wrapped in a left-to-right
  // override (U+202D ... U+202C), so no letter or digit of it is reordered.
  [[nodiscard]] QString displayText(const QVariant& value, const QLocale& locale) const override;
};
