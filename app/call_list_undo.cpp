#include "app/call_list_undo.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "app/array_controller.h"
#include "app/stored_call_list.h"
#include "prefs/atomic_file.h"
#include "prefs/plist_binary.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

// Files larger than this are no backup of ours.
constexpr qint64 kMaxBackupBytes = qint64(2) << 30;

}  // namespace

// Replaces the whole list: an import, undone by putting the previous list back.
// The command keeps only the list that is not in the table (the previous one
// while the import stands, the imported one while it is undone): the list in
// the table is held once, by the table.
// After a relaunch the previous list is read from the backup only when the
// import is first undone, so a launch never pays for decoding it.
class ReplaceListCommand : public QUndoCommand {
 public:
  ReplaceListCommand(CallListUndo* owner, std::optional<CallList> before)
      : QUndoCommand(ui("Import")), owner_(owner), other_(std::move(before)) {}

  // The list is already in place when the command is pushed.
  void redo() override {
    if (done_) return;
    done_ = true;
    swapWithTable();
    owner_->writeBackup(*other_);
  }
  void undo() override {
    if (!other_) other_ = CallListUndo::readBackup();
    if (!other_) {  // the backup is gone or damaged: the list stays, the step goes
      setObsolete(true);
      owner_->backupUnreadable_ = true;
      return;
    }
    done_ = false;
    swapWithTable();
    QFile::remove(CallListUndo::backupPath());  // the list before the import is the list now
  }

 private:
  void swapWithTable() {
    ArrayController* controller = owner_->controller_;
    CallList shown = controller->content();
    owner_->applying_ = true;
    controller->setContent(std::move(*other_));
    controller->rearrangeObjects();
    owner_->applying_ = false;
    other_ = std::move(shown);
    // A replaced list is stored like any change (setContent alone does not ask for it).
    Q_EMIT controller->model()->contentChanged();
  }

  CallListUndo* owner_;
  std::optional<CallList> other_;
  bool done_ = true;
};

// One edit of a record's note or success.
class EditCommand : public QUndoCommand {
 public:
  EditCommand(CallListUndo* owner, int row, CallField field, QVariant before, QVariant after)
      : owner_(owner), row_(row), field_(field), before_(std::move(before)), after_(std::move(after)) {}

  void redo() override {
    if (done_) return;
    done_ = true;
    put(after_);
  }
  void undo() override {
    done_ = false;
    put(before_);
  }
  [[nodiscard]] int row() const { return row_; }

 private:
  void put(const QVariant& value) {
    owner_->applying_ = true;
    owner_->controller_->model()->restoreValue(row_, field_, value);
    owner_->applying_ = false;
  }

  CallListUndo* owner_;
  int row_;
  CallField field_;
  QVariant before_;
  QVariant after_;
  bool done_ = true;
};

CallListUndo::CallListUndo(ArrayController* controller, QObject* parent)
    : QObject(parent),
      controller_(controller),
      undoAction_(new QAction(ui("Undo"), this)),
      redoAction_(new QAction(ui("Redo"), this)) {
  undoAction_->setShortcut(QKeySequence::Undo);
  // Ctrl+Shift+Z as most desktops have it, and Ctrl+Y.
  redoAction_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  undoAction_->setEnabled(false);
  redoAction_->setEnabled(false);
  connect(undoAction_, &QAction::triggered, this, &CallListUndo::undo);
  connect(redoAction_, &QAction::triggered, this, &CallListUndo::redo);
  connect(&stack_, &QUndoStack::indexChanged, this, &CallListUndo::updateActions);
  connect(controller->model(), &CallListModel::recordEdited, this, &CallListUndo::recordEdit);
}

QString CallListUndo::backupPath() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (!QDir::isAbsolutePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/telvane-list-dialer/before-last-import.plist");
}

std::optional<CallList> CallListUndo::readBackup() {
  QFile file(backupPath());
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxBackupBytes) return std::nullopt;
  const std::optional<QVariant> value = plist::decodeBinary(file.readAll());
  if (!value || value->typeId() != QMetaType::QVariantList) return std::nullopt;
  for (const QVariant& item : *static_cast<const QVariantList*>(value->constData()))
    if (item.typeId() != QMetaType::QVariantMap) return std::nullopt;
  return callListFromStored(value);
}

bool CallListUndo::writeBackup(const CallList& list) {
  const std::optional<QByteArray> bytes = plist::encodeBinary(storedFromCallList(list));
  const QString path = backupPath();
  if (!bytes || !QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QFile::setPermissions(QFileInfo(path).absolutePath(),
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return writeFileAtomically(path, *bytes, nullptr, FileAccess::OwnerOnly);
}

void CallListUndo::listImported(const CallList& previous) {
  closeEditGroup();
  writeBackup(previous);
  stack_.push(new ReplaceListCommand(this, previous));
}

void CallListUndo::listRestored() {
  if (QFile::exists(backupPath())) stack_.push(new ReplaceListCommand(this, std::nullopt));
}

// Edits made during one turn of the event loop (Space on several rows) form
// one step, undone and redone together.
void CallListUndo::recordEdit(int row, CallField field, const QVariant& before) {
  if (applying_) return;
  if (!editGroupOpen_) {
    stack_.beginMacro(field == CallField::Note ? ui("Note") : ui("Success"));
    editGroupOpen_ = true;
    QTimer::singleShot(0, this, &CallListUndo::closeEditGroup);
  }
  stack_.push(new EditCommand(this, row, field, before, controller_->content().value(row, field)));
}

void CallListUndo::closeEditGroup() {
  if (!editGroupOpen_) return;
  editGroupOpen_ = false;
  stack_.endMacro();
}

void CallListUndo::undo() {
  closeEditGroup();
  if (!stack_.canUndo()) return;
  const QString text = stack_.undoText();
  const int row = lastRowOf(stack_.command(stack_.index() - 1));
  backupUnreadable_ = false;
  stack_.undo();
  if (backupUnreadable_)
    Q_EMIT stepApplied(
        ui("The list from before the last import could not be read from “%1”.").arg(backupPath()), -1);
  else
    Q_EMIT stepApplied(ui("Undone: %1.").arg(text), row);
}

void CallListUndo::redo() {
  closeEditGroup();
  if (!stack_.canRedo()) return;
  const QString text = stack_.redoText();
  const int row = lastRowOf(stack_.command(stack_.index()));
  stack_.redo();
  Q_EMIT stepApplied(ui("Redone: %1.").arg(text), row);
}

int CallListUndo::lastRowOf(const QUndoCommand* command) {
  if (!command) return -1;
  if (const auto* edit = dynamic_cast<const EditCommand*>(command)) return edit->row();
  return command->childCount() > 0 ? lastRowOf(command->child(command->childCount() - 1)) : -1;
}

void CallListUndo::updateActions() {
  undoAction_->setEnabled(stack_.canUndo());
  redoAction_->setEnabled(stack_.canRedo());
  undoAction_->setText(stack_.canUndo() ? ui("Undo %1").arg(stack_.undoText()) : ui("Undo"));
  redoAction_->setText(stack_.canRedo() ? ui("Redo %1").arg(stack_.redoText()) : ui("Redo"));
}
