// The keyboard rhythm of working through a call list, on the table:
//
//   Return       dials the selected row (the window's shortcut)
//   any text     starts the selected row's note with that text, whatever cell
//                is current; there is no type-ahead search that could jump rows
//   Return       in a note stores it and selects the next row; it never dials
//   Escape       in a note throws the edit away
//   Space        ticks Success of the selected rows, or unticks them all when
//                all are ticked
//   Dial Next    selects, shows and dials the next row not called yet
//
// It also keeps the window's actions in step with the list (nothing to dial or
// export in an empty list) and remembers the row last dialled or edited.
#pragma once

#include <QObject>
#include <QPointer>

class ArrayController;
class MainWindow;
class QKeyEvent;
class QTableView;

class CallKeyboardFlow : public QObject {
  Q_OBJECT

 public:
  explicit CallKeyboardFlow(MainWindow* window, QObject* parent = nullptr);

  // Selects the row at `tableRow` of the table, makes it current and scrolls it into view.
  void selectTableRow(int tableRow);
  // Selects the record at `contentRow`, or the first row in the table when
  // there is no such record (a first launch, a shorter list).
  void selectContentRow(int contentRow);
  // The content row last dialled or edited since the list was loaded; -1 for none.
  [[nodiscard]] int lastTouchedRow() const { return lastTouchedRow_; }

  // From the selected row on, in table order, the first row without a call
  // date: selects it and asks for it to be dialled. The selected row itself is
  // skipped once a dial of it was tried, so a refused number is not retried.
  // With no such row the status bar says so.
  void dialNext();

 Q_SIGNALS:
  // The selected row is to be dialled.
  void dialRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The table row a typed note goes to: the current row when it is selected,
  // else the last selected row; -1 without a selection.
  [[nodiscard]] int noteRow() const;
  [[nodiscard]] int lastSelectedTableRow() const;
  [[nodiscard]] int contentRowOf(int tableRow) const;
  bool handleKey(QKeyEvent* key);
  void toggleSuccess();
  void noteReturned();
  void noteDialAttempt();
  void updateActions();
  void say(const QString& message);

  QPointer<MainWindow> window_;
  ArrayController* controller_;
  QTableView* table_;
  int lastTouchedRow_ = -1;
  int attemptedRow_ = -1;  // content row of the last dial asked for
};
