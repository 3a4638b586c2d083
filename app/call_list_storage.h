// Keeps the call list stored without freezing the window, and never loses it
// silently.
//
// The background writer works from a copy of the window's newest list (see
// call_list_mirror.h); building the stored form, encoding and the durable
// write happen on the writer's thread. When a write
// fails the user is told once, with the folder and the reason, the status bar
// carries a mark until a write succeeds, and storing is tried again at the
// autosave rhythm. Quitting while the list is not stored asks first and
// offers to export it. At launch, a stored list that could not be read is
// told too.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "app/call_list_io.h"

class CallListMirror;
class CallListModel;
class QLabel;
class QMainWindow;
class QMessageBox;

class CallListStorage : public QObject {
  Q_OBJECT

 public:
  // The mark the status bar shows while the list is not stored.
  static inline const QString kMarkName = QStringLiteral("notSavedMark");

  // Turns on background saving for the process.
  explicit CallListStorage(int retryDelayMs, QObject* parent = nullptr);
  ~CallListStorage() override;

  // The window that messages belong to, whose status bar is marked, and whose
  // closing asks first while the list is not stored.
  void setWindow(QMainWindow* window);

  // Follows the model's changes, so that the writer always has its newest list.
  void watch(CallListModel* model);

  // Stores `records` (the watched model's content) under `key` in the background.
  void store(const CallList& records, const QString& key);

  // `records`, the list just read from under `key`, is what is stored there:
  // later writes of the preferences encode it from the list's form rather
  // than decoding the file's, and nothing is written now.
  void adoptRestored(const CallList& records, const QString& key);

  // Tells the user when the stored preferences could not be read at launch:
  // unreadable (left alone, never written over) or damaged (moved aside).
  void reportLaunchProblem();

  // Waits for the last write to end; answers whether everything is stored.
  bool finish();

  // Whether the last write failed and no later one succeeded.
  [[nodiscard]] bool failing() const { return !failure_.isEmpty(); }

 Q_SIGNALS:
  // The user chose to export the list instead of losing it at quit.
  void exportRequested();
  // A write ended: `error` is empty when it succeeded.
  void saveFinished(const QString& error);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onSaveFinished(const QString& path, const QString& error);
  void showFailure(const QString& path);
  void showMark();
  void askBeforeQuitting();
  QMessageBox* messageBox(const QString& name, const QString& title, const QString& text,
                          const QString& details);

  // A new list: a change to store, unless it is the restored one.
  void replaceMirror(const CallList& records);
  // Gives the mirror a new list, changing nothing else.
  void tellMirror(const CallList& records);

  std::shared_ptr<CallListMirror> mirror_;
  qsizetype mirrorSize_ = -1;  // records the mirror was told of; -1 before the first
  bool changed_ = true;        // the list changed since it was last handed to the writer
  bool restoring_ = false;     // the next new list is the restored one
  bool handedOver_ = false;    // the writer has the mirror's producer
  QPointer<QMainWindow> window_;
  QPointer<QLabel> mark_;
  QTimer retry_;
  QString failure_;          // why the last write failed; empty while stored
  bool told_ = false;        // the user has seen this run of failures
  bool quitAnyway_ = false;  // the user chose to quit without the list stored
};
