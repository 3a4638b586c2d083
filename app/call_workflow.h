// The calling workflow around the table: the keyboard flow, find and filter,
// the progress field, undo, and what the window remembers of it between runs (the
// row last dialled or edited).
// AppDelegate owns one and tells it when the list was restored or replaced
// and when the program quits.
#pragma once

#include <QObject>
#include <QPointer>

#include "app/call_list_io.h"

class CallFilterBar;
class CallKeyboardFlow;
class CallListUndo;
class CallProgress;
class MainWindow;

class CallWorkflow : public QObject {
  Q_OBJECT

 public:
  // Preference holding the window's working state: {"row": the content row
  // last dialled or edited, "columns": the table header's widths and order}.
  static inline const QString kStateKey = QStringLiteral("CallTableState");

  // Builds the workflow on `window`, which owns it.
  explicit CallWorkflow(MainWindow* window);

  [[nodiscard]] CallKeyboardFlow* keys() const { return keys_; }
  [[nodiscard]] CallFilterBar* filterBar() const { return filterBar_; }
  [[nodiscard]] CallProgress* progress() const { return progress_; }
  [[nodiscard]] CallListUndo* undo() const { return undo_; }

  // The stored list is in the table: selects the row remembered from the last
  // run (the first row the first time) and gives the table the focus.
  void listRestored();
  // An import replaced `previous` with the list now in the table.
  void listImported(const CallList& previous);
  // Stores the working state; called at quit.
  void storeState();

 Q_SIGNALS:
  // The selected row is to be dialled.
  void dialRequested();

 private:
  void stepApplied(const QString& text, int row);

  QPointer<MainWindow> window_;
  CallKeyboardFlow* keys_;
  CallFilterBar* filterBar_ = nullptr;
  CallProgress* progress_ = nullptr;
  CallListUndo* undo_ = nullptr;
};
