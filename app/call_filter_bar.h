// The find-and-filter bar above the table (Ctrl+F): a search field over number
// and note and a choice of All / Not called / Succeeded / Not succeeded. It
// narrows what the table shows, and with it Dial Next and the progress; the
// stored list and the export always hold the whole list in content order.
//
// In the search field, Return or Down goes to the table (selecting the first
// row shown when none is selected) and Escape goes back to the table with the
// filter kept.
#pragma once

#include <QTimer>
#include <QWidget>

#include "app/call_list_filter.h"

class ArrayController;
class QComboBox;
class QLineEdit;
class QTableView;

class CallFilterBar : public QWidget {
  Q_OBJECT

 public:
  // Typing is applied once it pauses this long: filtering a long list takes a while.
  static constexpr int kTypingPauseMs = 150;

  CallFilterBar(ArrayController* controller, QTableView* table, QWidget* parent = nullptr);

  // Shows the bar, if hidden, and puts the cursor in the search field with its text selected.
  void activate();
  [[nodiscard]] CallListFilter filter() const;
  [[nodiscard]] QLineEdit* searchField() const { return search_; }
  [[nodiscard]] QComboBox* callsChoice() const { return calls_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Applies the filter to the table, keeping the selection on the rows still shown.
  void apply();
  void backToTable();

  ArrayController* controller_;
  QTableView* table_;
  QLineEdit* search_;
  QComboBox* calls_;
  QTimer typingPause_;
};
