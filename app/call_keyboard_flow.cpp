#include "app/call_keyboard_flow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>

#include "app/array_controller.h"
#include "app/main_window.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

// The note column's delegate: Return or Enter in the editor stores the note
// and closes the editor right away, then reports it. The key goes no further,
// so it can never reach the table as a dial.
class NoteDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 Q_SIGNALS:
  void noteReturned();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(watched);
    if (editor && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Q_EMIT commitData(editor);
        Q_EMIT closeEditor(editor, QAbstractItemDelegate::NoHint);
        Q_EMIT noteReturned();
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
  }
};

bool isTypedText(const QKeyEvent* key) {
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QString text = key->text();
  return !text.isEmpty() && (text.front().isPrint() || text.front().isHighSurrogate());
}

}  // namespace

CallKeyboardFlow::CallKeyboardFlow(MainWindow* window, QObject* parent)
    : QObject(parent), window_(window), controller_(window->arrayController()), table_(window->table()) {
  table_->installEventFilter(this);
  auto* notes = new NoteDelegate(table_);
  table_->setItemDelegateForColumn(CallListModel::NoteColumn, notes);
  connect(notes, &NoteDelegate::noteReturned, this, &CallKeyboardFlow::noteReturned);

  connect(window, &MainWindow::dialNextRequested, this, &CallKeyboardFlow::dialNext);
  connect(window, &MainWindow::dialRequested, this, &CallKeyboardFlow::noteDialAttempt);
  connect(this, &CallKeyboardFlow::dialRequested, this, &CallKeyboardFlow::noteDialAttempt);

  CallListModel* model = controller_->model();
  connect(model, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& topLeft) { lastTouchedRow_ = topLeft.row(); });
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    lastTouchedRow_ = attemptedRow_ = -1;
    updateActions();
  });
  connect(model, &QAbstractItemModel::rowsInserted, this, &CallKeyboardFlow::updateActions);
  connect(model, &QAbstractItemModel::rowsRemoved, this, &CallKeyboardFlow::updateActions);
  updateActions();
}

bool CallKeyboardFlow::eventFilter(QObject* watched, QEvent* event) {
  // Keys an open editor let through reach the table too; they are the editor's.
  if (watched == table_ && event->type() == QEvent::KeyPress && QApplication::focusWidget() == table_)
    return handleKey(static_cast<QKeyEvent*>(event));
  return QObject::eventFilter(watched, event);
}

bool CallKeyboardFlow::handleKey(QKeyEvent* key) {
  const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  if (plain && key->key() == Qt::Key_Space) {
    toggleSuccess();
    return true;
  }
  // Home and End go to the first and last entry and select it, with or
  // without Ctrl, as in a list. The table's own would move the cell cursor
  // along the row, or with Ctrl away from the selection, where the next
  // note, tick or dial would not go.
  const bool onlyCtrl = !(key->modifiers() & ~(Qt::ControlModifier | Qt::KeypadModifier));
  if (onlyCtrl && (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
    if (const int rows = controller_->arranged()->rowCount(); rows > 0)
      selectTableRow(key->key() == Qt::Key_Home ? 0 : rows - 1);
    return true;
  }
  const bool f2 = plain && key->key() == Qt::Key_F2;
  if (!f2 && !isTypedText(key)) return false;  // navigation, Return, Escape: the table's own
  const int row = noteRow();
  if (row < 0) return true;  // no row to write on: the key is dropped, never a search
  const QModelIndex note = controller_->arranged()->index(row, CallListModel::NoteColumn);
  // The selection stays; only the current cell moves to the note, where the
  // table opens the editor and passes it this key.
  controller_->selection()->setCurrentIndex(note, QItemSelectionModel::NoUpdate);
  if (f2) {
    table_->edit(note);
    return true;
  }
  return false;
}

int CallKeyboardFlow::noteRow() const {
  const QModelIndex current = table_->currentIndex();
  if (current.isValid() && controller_->selection()->isRowSelected(current.row())) return current.row();
  return lastSelectedTableRow();
}

int CallKeyboardFlow::lastSelectedTableRow() const {
  int last = -1;
  for (const QModelIndex& index : controller_->selection()->selectedRows()) last = qMax(last, index.row());
  return last;
}

int CallKeyboardFlow::contentRowOf(int tableRow) const {
  CallListSortModel* arranged = controller_->arranged();
  return arranged->mapToSource(arranged->index(tableRow, 0)).row();
}

void CallKeyboardFlow::toggleSuccess() {
  const QList<int> rows = controller_->selectedContentRows();
  if (rows.isEmpty()) return;
  const CallList& records = controller_->content();
  const bool allTicked =
      std::all_of(rows.begin(), rows.end(), [&records](int row) { return records.succeeded(row); });
  CallListModel* model = controller_->model();
  for (const int row : rows)
    model->setData(model->index(row, CallListModel::SuccessColumn), allTicked ? Qt::Unchecked : Qt::Checked,
                   Qt::CheckStateRole);
}

void CallKeyboardFlow::noteReturned() {
  const int row = table_->currentIndex().row();
  if (row + 1 < controller_->arranged()->rowCount()) {
    selectTableRow(row + 1);
    return;
  }
  selectTableRow(row);
  say(ui("That was the last entry."));
}

void CallKeyboardFlow::selectTableRow(int tableRow) {
  const QModelIndex index = controller_->arranged()->index(tableRow, CallListModel::NumberColumn);
  if (!index.isValid()) return;
  controller_->selection()->setCurrentIndex(index,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->scrollTo(index);
}

void CallKeyboardFlow::selectContentRow(int contentRow) {
  const QModelIndex source = controller_->model()->index(contentRow, 0);
  const QModelIndex shown = controller_->arranged()->mapFromSource(source);
  selectTableRow(shown.isValid() ? shown.row() : 0);
  if (shown.isValid()) lastTouchedRow_ = contentRow;
}

void CallKeyboardFlow::noteDialAttempt() {
  const QList<int> rows = controller_->selectedContentRows();
  if (!rows.isEmpty()) attemptedRow_ = rows.last();
}

void CallKeyboardFlow::dialNext() {
  const int rows = controller_->arranged()->rowCount();
  if (rows == 0) return;
  int start = 0;
  if (const int selected = lastSelectedTableRow(); selected >= 0) {
    const int content = contentRowOf(selected);
    const bool done = content == attemptedRow_ || controller_->content().called(content);
    start = done ? selected + 1 : selected;
  }
  const CallList& records = controller_->content();
  for (int row = start; row < rows; ++row) {
    if (records.called(contentRowOf(row))) continue;
    selectTableRow(row);
    Q_EMIT dialRequested();
    return;
  }
  int before = 0;
  for (int row = 0; row < qMin(start, rows); ++row)
    if (!records.called(contentRowOf(row))) ++before;
  if (before == 0)
    say(ui("End of the list: every entry has been called."));
  else
    say(QCoreApplication::translate("ui", "End of the list: %n entries above have not been called.", nullptr,
                                    int(before)));
}

void CallKeyboardFlow::updateActions() {
  if (!window_) return;
  const bool any = controller_->model()->rowCount() > 0;
  for (QAction* action : {window_->dialAction(), window_->dialNextAction(), window_->exportAction()})
    action->setEnabled(any);
}

void CallKeyboardFlow::say(const QString& message) {
  if (window_) window_->statusBar()->showMessage(message);
}

#include "call_keyboard_flow.moc"
