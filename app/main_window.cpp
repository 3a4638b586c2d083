#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>

#include "app/array_controller.h"
#include "app/window_preferences.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), controller_(new ArrayController(this)) {
  setObjectName(kAutosaveName);
  setWindowTitle(ui("Telvane List Dialer"));
  buildActions();
  buildTable();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  auto* buttons = new QHBoxLayout;
  for (QAction* action : {loadAction_, dialAction_, dialNextAction_, exportAction_}) {
    auto* button = new QPushButton(action->text(), central);
    button->setToolTip(action->toolTip());
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::enabledChanged, button, &QWidget::setEnabled);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addWidget(table_);
  setCentralWidget(central);
  statusBar()->showMessage(ui("Ready"));
  resize(760, 480);
}

void MainWindow::buildActions() {
  auto make = [this](const char* text, const QKeySequence& keys, const char* tip,
                     void (MainWindow::*signal)()) {
    auto* action = new QAction(ui(text), this);
    action->setShortcut(keys);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(ui(tip), keys.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this, signal);
    return action;
  };
  loadAction_ = make(QT_TRANSLATE_NOOP("ui", "Load…"), QKeySequence(Qt::CTRL | Qt::Key_O),
                     QT_TRANSLATE_NOOP("ui", "Load a call list"), &MainWindow::loadRequested);
  dialAction_ = make(QT_TRANSLATE_NOOP("ui", "Dial"), QKeySequence(Qt::CTRL | Qt::Key_D),
                     QT_TRANSLATE_NOOP("ui", "Dial the selected entry"), &MainWindow::dialRequested);
  exportAction_ = make(QT_TRANSLATE_NOOP("ui", "Export…"), QKeySequence(Qt::CTRL | Qt::Key_E),
                       QT_TRANSLATE_NOOP("ui", "Export the call log"), &MainWindow::exportRequested);
  dialNextAction_ =
      make(QT_TRANSLATE_NOOP("ui", "Dial Next"), QKeySequence(Qt::CTRL | Qt::Key_N),
           QT_TRANSLATE_NOOP("ui", "Dial the next entry not called yet"), &MainWindow::dialNextRequested);
  findAction_ = make(QT_TRANSLATE_NOOP("ui", "Find…"), QKeySequence(Qt::CTRL | Qt::Key_F),
                     QT_TRANSLATE_NOOP("ui", "Find and filter entries"), &MainWindow::findRequested);
  auto* quit = new QAction(ui("Quit"), this);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &QWidget::close);

  QMenu* file = menuBar()->addMenu(ui("&File"));
  file->addAction(loadAction_);
  file->addAction(exportAction_);
  file->addSeparator();
  file->addAction(quit);
  editMenu_ = menuBar()->addMenu(ui("&Edit"));
  editMenu_->addAction(findAction_);
  QMenu* call = menuBar()->addMenu(ui("&Call"));
  call->addAction(dialAction_);
  call->addAction(dialNextAction_);
}

void MainWindow::buildTable() {
  table_ = new QTableView(this);
  table_->setObjectName(QStringLiteral("callTable"));
  table_->setModel(controller_->arranged());
  table_->setSelectionModel(controller_->selection());
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  table_->setAlternatingRowColors(true);
  table_->setWordWrap(false);
  bindWindowPreferences(table_);
  // Fixed row heights: measuring a hundred thousand rows to fit their contents takes seconds.
  QHeaderView* rows = table_->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(table_->fontMetrics().height() + 8);
  rows->hide();
  QHeaderView* columns = table_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(true);
  columns->setSortIndicatorClearable(true);
  const int widths[] = {70, 170, 190, 70};
  for (int c = 0; c < 4; ++c) columns->resizeSection(c, widths[c]);

  // Return on a row dials it, as Ctrl+D does; inside the note editor Return still ends the edit.
  for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* dial = new QShortcut(QKeySequence(key), table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(dial, &QShortcut::activated, this, &MainWindow::dialRequested);
  }
}

QString MainWindow::frameText() const {
  const QRect g = geometry();
  return QStringLiteral("%1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height());
}

bool MainWindow::applyFrameText(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (parts.size() != 4) return false;
  int v[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    v[i] = parts[i].toInt(&ok);
    if (!ok) return false;
  }
  if (v[2] < 100 || v[3] < 80) return false;
  QRect frame(v[0], v[1], v[2], v[3]);
  // A frame saved on a screen that is gone is moved onto the nearest one.
  QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    frame.setSize(frame.size().boundedTo(area.size()));
    frame.moveLeft(qBound(area.left(), frame.left(), area.right() - frame.width() + 1));
    frame.moveTop(qBound(area.top(), frame.top(), area.bottom() - frame.height() + 1));
  }
  setGeometry(frame);
  return true;
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  Q_EMIT frameChanged();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Q_EMIT frameChanged();
}
