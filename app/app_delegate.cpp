#include "app/app_delegate.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStatusBar>
#include <QTableView>

#include "app/array_controller.h"
#include "app/import_report.h"
#include "app/main_window.h"
#include "app/stored_call_list.h"
#include "app/telephone_number.h"
#include "prefs/user_defaults.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

QString displayName(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

void AppDelegate::initialize() {
  static bool isInitialized = false;
  if (isInitialized) return;
  registerApplicationDefaults();
  isInitialized = true;
}

void AppDelegate::registerApplicationDefaults() {
  Tirr_UserDefaults::registerDefaults({{kDataKey, QVariantList()}});
  Tirr_UserDefaults::synchronizeDefaults();
}

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {
  autosave_.setSingleShot(true);
  autosave_.setInterval(kAutosaveDelayMs);
  connect(&autosave_, &QTimer::timeout, this, &AppDelegate::storeCallList);
  frameSave_.setSingleShot(true);
  frameSave_.setInterval(kAutosaveDelayMs);
  connect(&frameSave_, &QTimer::timeout, this, &AppDelegate::storeFrame);
  connect(&storage_, &CallListStorage::exportRequested, this, &AppDelegate::export_);
}

void AppDelegate::setWindow(MainWindow* window) { window_ = window; }

void AppDelegate::setDataArrayController(ArrayController* controller) { dataArrayController_ = controller; }

void AppDelegate::attachWorkflow(CallWorkflow* workflow) {
  workflow_ = workflow;
  connect(workflow, &CallWorkflow::dialRequested, this, &AppDelegate::dial);
  connect(this, &AppDelegate::callListRestoredChanged, workflow, &CallWorkflow::listRestored);
}

void AppDelegate::applicationDidFinishLaunching() {
  restoreSort();
  Tirr_UserDefaults::positionWindowOnLaunch(window_);
  // The window is shown first and the stored list fills the table right after
  // its first paint: a list of a hundred thousand records takes longer to
  // decode than an empty window takes to appear. Every action waits for it.
  window_->table()->viewport()->installEventFilter(this);
  QTimer::singleShot(kRestoreFallbackMs, this, &AppDelegate::restoreCallList);
  window_->show();
  window_->raise();
  window_->activateWindow();
  connect(window_, &MainWindow::frameChanged, &frameSave_, qOverload<>(&QTimer::start), Qt::UniqueConnection);
  storage_.setWindow(window_);
  storage_.watch(dataArrayController_->model());
  storage_.reportLaunchProblem();
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && window_ && watched == window_->table()->viewport()) {
    watched->removeEventFilter(this);
    QMetaObject::invokeMethod(this, &AppDelegate::restoreCallList, Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void AppDelegate::restoreCallList() {
  if (callListRestored_ || !dataArrayController_) return;
  callListRestored_ = true;
  std::optional<CallList> stored = readStoredCallList(kDataKey);
  dataArrayController_->setContent(stored.value_or(CallList()));
  if (stored) storage_.adoptRestored(dataArrayController_->content(), kDataKey);
  connect(dataArrayController_->model(), &CallListModel::contentChanged, this, &AppDelegate::scheduleSave,
          Qt::UniqueConnection);
  Q_EMIT callListRestoredChanged();
}

void AppDelegate::applicationWillTerminate() {
  restoreCallList();  // never store an empty table over a list that was not shown yet
  autosave_.stop();
  frameSave_.stop();
  if (workflow_) workflow_->storeState();
  storeFrame();
  storeCallList();
  storage_.finish();
}

void AppDelegate::openFile(const QString& path) {
  restoreCallList();
  openPanelDidEnd(QDialog::Accepted, path);
}

void AppDelegate::scheduleSave() {
  // Not restarted by later changes: a steady stream of edits is still stored
  // within one interval of the first.
  if (!autosave_.isActive()) autosave_.start();
}

void AppDelegate::storeCallList() {
  if (!dataArrayController_) return;
  storage_.store(dataArrayController_->content(), kDataKey);
}

void AppDelegate::storeFrame() {
  if (window_) Tirr_UserDefaults::writeDefault(window_->frameText(), kFrameKey);
}

void AppDelegate::storeSort() {
  const CallListSortModel* arranged = dataArrayController_->arranged();
  Tirr_UserDefaults::writeDefault(
      QVariantMap{{QStringLiteral("column"), qint64(arranged->sortColumn())},
                  {QStringLiteral("ascending"), arranged->sortOrder() == Qt::AscendingOrder}},
      kSortKey);
}

void AppDelegate::restoreSort() {
  const QVariantMap sort = Tirr_UserDefaults::readDefault(kSortKey).value_or(QVariant()).toMap();
  const int column = sort.value(QStringLiteral("column"), -1).toInt();
  const Qt::SortOrder order =
      sort.value(QStringLiteral("ascending"), true).toBool() ? Qt::AscendingOrder : Qt::DescendingOrder;
  QHeaderView* header = window_->table()->horizontalHeader();
  header->setSortIndicator(column >= 0 && column < CallListModel::ColumnCount ? column : -1, order);
  window_->table()->setSortingEnabled(true);
  connect(header, &QHeaderView::sortIndicatorChanged, this, &AppDelegate::storeSort, Qt::UniqueConnection);
}

void AppDelegate::rememberDirectory(const QString& directory) {
  Tirr_UserDefaults::writeDefault(directory, kLastDirectoryKey);
}

void AppDelegate::showStatus(const QString& message) {
  if (window_) window_->statusBar()->showMessage(message);
}

QFileDialog* AppDelegate::openFileDialog(const QString& title, const QString& name,
                                         void (AppDelegate::*completion)(int, const QString&)) {
  auto* dialog = new QFileDialog(window_, title, Tirr_UserDefaults::lastDirectory());
  dialog->setObjectName(name);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QFileDialog::finished, this, [this, dialog, completion](int result) {
    const QString path = dialog->selectedFiles().value(0);
    if (result == QDialog::Accepted) rememberDirectory(QFileInfo(path).absolutePath());
    // The dialog finishes in the middle of handling the key that closed it: a
    // path typed with the name completer open is accepted by Return before the
    // completer hides its popup, and the popup holds the keyboard and pointer
    // until then. Reading or writing a large file right here would leave that
    // popup on screen and let it swallow every key and click of the wait, so
    // the work runs once the event loop has closed the dialog completely.
    QMetaObject::invokeMethod(
        this, [this, completion, result, path] { (this->*completion)(result, path); }, Qt::QueuedConnection);
  });
  return dialog;
}

void AppDelegate::load() {
  restoreCallList();
  QFileDialog* dialog =
      openFileDialog(ui("Load Call List"), QStringLiteral("loadDialog"), &AppDelegate::openPanelDidEnd);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setNameFilters({ui("Call lists (*.txt *.csv *.tsv)"), ui("All files (*)")});
  dialog->open();
}

void AppDelegate::openPanelDidEnd(int returnCode, const QString& path) {
  if (returnCode != QDialog::Accepted) return;
  ImportOutcome outcome = importCallList(path);
  const QString message = importStatusMessage(outcome, displayName(path));
  if (outcome.status != ImportOutcome::Status::Loaded) {
    showStatus(message);
    return;
  }
  const CallList previous = dataArrayController_->content();
  dataArrayController_->setContent(std::move(outcome.records));
  dataArrayController_->rearrangeObjects();
  scheduleSave();
  if (workflow_) workflow_->listImported(previous);
  window_->table()->setFocus();
  showStatus(message);
}

void AppDelegate::dial() {
  restoreCallList();
  const QList<int> rows = dataArrayController_->selectedContentRows();
  if (rows.isEmpty()) {
    showStatus(ui("Select an entry to dial."));
    return;
  }
  const int row = rows.last();
  const QVariant value = dataArrayController_->content().value(row, CallField::Number);
  const std::optional<QString> script = dialScriptFor(value);
  if (!script) {
    showStatus(ui("This entry has no number to dial."));
    return;
  }
  const QString number = quotedNumberForMessage(CallListModel::displayText(value));
  // Only a number a dialer took counts as called: a refused number keeps its date.
  const DialOutcome outcome = runDialScript(*script);
  if (!outcome.reached) {
    showStatus(ui("Not dialled: %1").arg(outcome.problem));
    return;
  }
  dataArrayController_->model()->stampDate(row, QDateTime::currentDateTimeUtc());
  showStatus(ui("Dialling %1: %2").arg(number, outcome.sent));
}

void AppDelegate::export_() {
  restoreCallList();
  QFileDialog* dialog =
      openFileDialog(ui("Export Call Log"), QStringLiteral("exportDialog"), &AppDelegate::savePanelDidEnd);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->selectFile(kExportFileName);
  dialog->open();
}

void AppDelegate::savePanelDidEnd(int returnCode, const QString& path) {
  if (returnCode != QDialog::Accepted) return;
  const CallList& records = dataArrayController_->content();
  if (const std::optional<QString> problem = writeExportFile(path, records)) {
    showStatus(ui("The call log was not exported."));
    auto* box =
        new QMessageBox(QMessageBox::Warning, ui("Export Failed"),
                        ui("The call log could not be written to “%1”.").arg(path), QMessageBox::Ok, window_);
    box->setObjectName(QStringLiteral("exportFailedBox"));
    box->setInformativeText(*problem);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return;
  }
  showStatus(QCoreApplication::translate("ui", "Exported %n entries to “%1”.", nullptr, int(records.size()))
                 .arg(displayName(path)));
}

MainWindow* loadMainWindowLayout(AppDelegate* delegate) {
  auto* window = new MainWindow;
  delegate->setWindow(window);
  delegate->setDataArrayController(window->arrayController());
  QObject::connect(window, &MainWindow::loadRequested, delegate, &AppDelegate::load);
  QObject::connect(window, &MainWindow::dialRequested, delegate, &AppDelegate::dial);
  QObject::connect(window, &MainWindow::exportRequested, delegate, &AppDelegate::export_);
  delegate->attachWorkflow(new CallWorkflow(window));
  if (const std::optional<QVariant> frame = Tirr_UserDefaults::readDefault(AppDelegate::kFrameKey))
    window->applyFrameText(frame->toString());
  return window;
}
