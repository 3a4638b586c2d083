#include "app/call_workflow.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QStatusBar>
#include <QTableView>

#include "app/array_controller.h"
#include "app/call_filter_bar.h"
#include "app/call_keyboard_flow.h"
#include "app/call_list_model.h"
#include "app/call_list_undo.h"
#include "app/call_progress.h"
#include "app/call_table_cells.h"
#include "app/empty_table_hint.h"
#include "app/main_window.h"
#include "prefs/user_defaults.h"

namespace {

const QString kRowKey = QStringLiteral("row");
const QString kColumnsKey = QStringLiteral("columns");

}  // namespace

CallWorkflow::CallWorkflow(MainWindow* window)
    : QObject(window), window_(window), keys_(new CallKeyboardFlow(window, this)) {
  connect(keys_, &CallKeyboardFlow::dialRequested, this, &CallWorkflow::dialRequested);
  QTableView* table = window->table();
  table->setItemDelegateForColumn(CallListModel::NumberColumn, new NumberCellDelegate(table));
  table->setItemDelegateForColumn(CallListModel::DateColumn, new DateCellDelegate(table));
  new EmptyTableHint(window->arrayController(), table, this);
  // Column widths and order as the user left them.
  const QVariantMap state = Tirr_UserDefaults::readDefault(kStateKey).value_or(QVariant()).toMap();
  table->horizontalHeader()->restoreState(state.value(kColumnsKey).toByteArray());

  filterBar_ = new CallFilterBar(window->arrayController(), table, window->centralWidget());
  if (auto* box = qobject_cast<QBoxLayout*>(window->centralWidget()->layout()))
    box->insertWidget(box->indexOf(table), filterBar_);
  connect(window, &MainWindow::findRequested, filterBar_, &CallFilterBar::activate);
  progress_ = new CallProgress(window->arrayController(), window->statusBar(), this);

  undo_ = new CallListUndo(window->arrayController(), this);
  QMenu* edit = window->editMenu();
  QAction* first = edit->actions().value(0);
  edit->insertAction(first, undo_->undoAction());
  edit->insertAction(first, undo_->redoAction());
  edit->insertSeparator(first);
  connect(undo_, &CallListUndo::stepApplied, this, &CallWorkflow::stepApplied);
}

void CallWorkflow::stepApplied(const QString& text, int row) {
  if (row >= 0)
    keys_->selectContentRow(row);
  else if (!window_->arrayController()->selection()->hasSelection())
    keys_->selectTableRow(0);
  window_->statusBar()->showMessage(text);
}

void CallWorkflow::listRestored() {
  undo_->listRestored();
  const QVariantMap state = Tirr_UserDefaults::readDefault(kStateKey).value_or(QVariant()).toMap();
  keys_->selectContentRow(state.value(kRowKey, 0).toInt());
  window_->table()->setFocus();
}

void CallWorkflow::listImported(const CallList& previous) {
  undo_->listImported(previous);
  keys_->selectTableRow(0);
}

void CallWorkflow::storeState() {
  if (!window_) return;
  QVariantMap state;
  state.insert(kRowKey, qint64(qMax(keys_->lastTouchedRow(), 0)));
  state.insert(kColumnsKey, window_->table()->horizontalHeader()->saveState());
  Tirr_UserDefaults::writeDefault(state, kStateKey);
}
