// Undo and redo of what the user does to the call list: an import, which
// replaces the whole list with all its notes, and the edits of notes and
// successes. Edits made by one key press (Space on several rows) undo as one.
//
// The list an import replaced is also written to a backup file under the XDG
// state folder ($XDG_STATE_HOME/telvane-list-dialer/before-last-import.plist,
// readable by the owner only), so that after a relaunch Undo can still bring
// back the list from before the last import, exactly, dates and kinds of
// values included.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <optional>

#include "app/call_list_io.h"

class ArrayController;
class QAction;

class CallListUndo : public QObject {
  Q_OBJECT

 public:
  explicit CallListUndo(ArrayController* controller, QObject* parent = nullptr);

  // The backup of the list before the last import.
  [[nodiscard]] static QString backupPath();
  // Reads the backup; nothing when there is none or it cannot be read.
  [[nodiscard]] static std::optional<CallList> readBackup();

  [[nodiscard]] QUndoStack* stack() { return &stack_; }
  // Undo (Ctrl+Z) and Redo (Ctrl+Shift+Z) for a menu; their texts name the step.
  [[nodiscard]] QAction* undoAction() const { return undoAction_; }
  [[nodiscard]] QAction* redoAction() const { return redoAction_; }

  // An import replaced `previous` with the list now in the controller.
  void listImported(const CallList& previous);
  // The stored list is in the table: when a backup exists, the import it was
  // made for can be undone from here on.
  void listRestored();

  void undo();
  void redo();

 Q_SIGNALS:
  // A step was undone or redone; `text` says which, for the status bar, and
  // `row` is the content row of the last edit in it (-1 for an import).
  void stepApplied(const QString& text, int row);

 private:
  void recordEdit(int row, CallField field, const QVariant& before);
  void closeEditGroup();
  void updateActions();
  bool writeBackup(const CallList& list);
  [[nodiscard]] static int lastRowOf(const QUndoCommand* command);

  friend class ReplaceListCommand;
  friend class EditCommand;
  ArrayController* controller_;
  QUndoStack stack_;
  QAction* undoAction_;
  QAction* redoAction_;
  bool applying_ = false;  // an undo or redo is changing the list: no new steps
  bool editGroupOpen_ = false;
  bool backupUnreadable_ = false;  // the last undo found the backup unreadable
};
