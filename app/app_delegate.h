// The application controller: registers the "data" default, restores the call
// list at launch and stores it at quit (and shortly after every change), and
// carries out the user's actions load, dial and export.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "app/array_controller.h"
#include "app/call_list_io.h"
#include "app/call_list_storage.h"
#include "app/call_workflow.h"
#include "app/main_window.h"

class QFileDialog;

class AppDelegate : public QObject {
  Q_OBJECT

 public:
  // Preference keys of the application.
  static inline const QString kDataKey = QStringLiteral("data");
  static inline const QString kFrameKey = QStringLiteral("NSWindow Frame Main");
  static inline const QString kLastDirectoryKey = QStringLiteral("NSNavLastRootDirectory");
  static inline const QString kSortKey = QStringLiteral("CallTableSort");
  static inline const QString kExportFileName = QStringLiteral("Telvane List Dialer Exported Data.txt");
  // How long a change may wait before the list is stored: bursts of edits coalesce.
  static constexpr int kAutosaveDelayMs = 500;
  // The stored list fills the table at the latest this long after launch,
  // even when the window is never painted.
  static constexpr int kRestoreFallbackMs = 250;

  // Registers the application's defaults once per process.
  static void initialize();
  // Registers "data" = empty list (registered defaults are never stored) and synchronises.
  static void registerApplicationDefaults();

  explicit AppDelegate(QObject* parent = nullptr);

  [[nodiscard]] MainWindow* window() const { return window_; }
  void setWindow(MainWindow* window);
  [[nodiscard]] ArrayController* dataArrayController() const { return dataArrayController_; }
  void setDataArrayController(ArrayController* controller);
  // The calling workflow on the main window: told when the list is restored or
  // imported and at quit; asks for dials.
  void attachWorkflow(CallWorkflow* workflow);

  // Shows the main window and fills its table with the stored list.
  void applicationDidFinishLaunching();
  // Whether the stored list is in the table yet (right after the window's first paint).
  [[nodiscard]] bool callListRestored() const { return callListRestored_; }
  // Closing the main window quits the program.
  [[nodiscard]] bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
  // Stores the list and the window frame, and waits for the writes.
  void applicationWillTerminate();
  // Loads a call list named on the command line (of this or a later instance).
  void openFile(const QString& path);

  // The user's actions. `export` is a C++ keyword, hence the underscore.
  void load();
  void dial();
  void export_();

  // Completions of the open and save dialogs: QDialog::Accepted or Rejected and the chosen path.
  void openPanelDidEnd(int returnCode, const QString& path);
  void savePanelDidEnd(int returnCode, const QString& path);

 Q_SIGNALS:
  void callListRestoredChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void restoreCallList();
  void scheduleSave();
  void storeCallList();
  void storeFrame();
  void storeSort();
  void restoreSort();
  void rememberDirectory(const QString& directory);
  // A window-modal file dialog starting in the last directory; when it closes
  // the directory is remembered (after OK) and `completion` gets the outcome
  // from the event loop, once the dialog has finished closing.
  QFileDialog* openFileDialog(const QString& title, const QString& name,
                              void (AppDelegate::*completion)(int, const QString&));
  void showStatus(const QString& message);

  QPointer<MainWindow> window_;
  QPointer<ArrayController> dataArrayController_;
  QPointer<CallWorkflow> workflow_;
  QTimer autosave_;
  QTimer frameSave_;
  CallListStorage storage_{kAutosaveDelayMs};
  bool callListRestored_ = false;
};

// Builds the main window, its table and menus, gives the delegate its outlets,
// wires the actions to it and applies the stored window frame. The caller owns the window.
[[nodiscard]] MainWindow* loadMainWindowLayout(AppDelegate* delegate);
