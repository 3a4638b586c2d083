// The main window: the call-list table, the Load…, Dial and Export… buttons,
// the same actions in the menus with their shortcuts, and a status bar. It
// only builds widgets and reports what the user asks for; AppDelegate acts.
#pragma once

#include <QMainWindow>

class ArrayController;
class QAction;
class QMenu;
class QTableView;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // The window's frame autosave name: its frame is stored under "NSWindow Frame Main".
  static inline const QString kAutosaveName = QStringLiteral("Main");

  explicit MainWindow(QWidget* parent = nullptr);

  [[nodiscard]] ArrayController* arrayController() const { return controller_; }
  [[nodiscard]] QTableView* table() const { return table_; }
  [[nodiscard]] QAction* loadAction() const { return loadAction_; }
  [[nodiscard]] QAction* dialAction() const { return dialAction_; }
  [[nodiscard]] QAction* exportAction() const { return exportAction_; }
  [[nodiscard]] QAction* dialNextAction() const { return dialNextAction_; }
  [[nodiscard]] QAction* findAction() const { return findAction_; }
  [[nodiscard]] QMenu* editMenu() const { return editMenu_; }

  // The frame as stored: "x y width height" of the window's geometry.
  [[nodiscard]] QString frameText() const;
  // Applies a stored frame, kept on a screen; false for text that is not a frame.
  bool applyFrameText(const QString& text);

 Q_SIGNALS:
  void loadRequested();
  void dialRequested();
  void exportRequested();
  void dialNextRequested();
  void findRequested();
  // The window moved or was resized.
  void frameChanged();

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void buildTable();
  void buildActions();

  ArrayController* controller_;
  QTableView* table_ = nullptr;
  QAction* loadAction_ = nullptr;
  QAction* dialAction_ = nullptr;
  QAction* exportAction_ = nullptr;
  QAction* dialNextAction_ = nullptr;
  QAction* findAction_ = nullptr;
  QMenu* editMenu_ = nullptr;
};
