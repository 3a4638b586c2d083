#include "app/call_list_storage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <utility>

#include "app/call_list_mirror.h"
#include "app/call_list_model.h"
#include "prefs/save_events.h"
#include "prefs/user_defaults.h"
#include "text/system_log.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

CallListStorage::CallListStorage(int retryDelayMs, QObject* parent)
    : QObject(parent), mirror_(std::make_shared<CallListMirror>()) {
  Tirr_UserDefaults::setSavesInBackground(true);
  retry_.setSingleShot(true);
  retry_.setInterval(retryDelayMs);
  connect(&retry_, &QTimer::timeout, this, [] { Tirr_UserDefaults::synchronizeDefaults(); });
  connect(DefaultsSaveEvents::instance(), &DefaultsSaveEvents::saveFinished, this,
          &CallListStorage::onSaveFinished);
}

void CallListStorage::setWindow(QMainWindow* window) {
  if (window_) window_->removeEventFilter(this);
  window_ = window;
  if (window_) window_->installEventFilter(this);
}

CallListStorage::~CallListStorage() = default;

void CallListStorage::watch(CallListModel* model) {
  const auto replace = [this, model] { replaceMirror(model->content()); };
  connect(model, &QAbstractItemModel::modelReset, this, replace);
  connect(model, &QAbstractItemModel::rowsInserted, this, replace);
  connect(model, &QAbstractItemModel::rowsRemoved, this, replace);
  connect(model, &QAbstractItemModel::rowsMoved, this, replace);
  connect(model, &QAbstractItemModel::layoutChanged, this, replace);
  connect(model, &QAbstractItemModel::dataChanged, this, [this, model] {
    changed_ = true;
    tellMirror(model->content());
  });
  replace();
  // The first new list after this is the stored one, restored: not a change.
  restoring_ = true;
  changed_ = false;
}

void CallListStorage::replaceMirror(const CallList& records) {
  if (!std::exchange(restoring_, false)) changed_ = true;
  tellMirror(records);
}

void CallListStorage::tellMirror(const CallList& records) {
  mirror_->replace(records);
  mirrorSize_ = records.size();
}

void CallListStorage::store(const CallList& records, const QString& key) {
  // A list the mirror was not told of (no model watched) is handed over whole.
  if (records.size() != mirrorSize_) replaceMirror(records);
  // Once handed to the writer, the list is handed again only when it changed:
  // a write for any other reason (the window's frame) takes the mirror's
  // newest state anyway.
  const bool changed = std::exchange(changed_, false);
  const bool first = !std::exchange(handedOver_, true);
  if (!changed && !first) return;
  Tirr_UserDefaults::writeProducedDefault([mirror = mirror_] { return mirror->storedForm(); }, key);
}

void CallListStorage::adoptRestored(const CallList& records, const QString& key) {
  // Before watch() the mirror has not been told of the list yet.
  if (records.size() != mirrorSize_) tellMirror(records);
  handedOver_ = true;
  Tirr_UserDefaults::adoptProducedDefault([mirror = mirror_] { return mirror->storedForm(); }, key);
}

bool CallListStorage::finish() {
  retry_.stop();
  const bool stored = Tirr_UserDefaults::waitForPendingSaves();
  return stored && !failing();
}

void CallListStorage::onSaveFinished(const QString& path, const QString& error) {
  if (error.isEmpty()) {
    failure_.clear();
    told_ = false;
    if (mark_) mark_->deleteLater();
    Q_EMIT saveFinished(error);
    return;
  }
  failure_ = error;
  if (!retry_.isActive()) retry_.start();
  if (!told_) {
    told_ = true;
    systemLog(QStringLiteral("error: cannot write preferences file %1 (%2)").arg(path, error));
    showFailure(path);
  }
  if (mark_) mark_->setToolTip(error);
  Q_EMIT saveFinished(error);
}

void CallListStorage::showFailure(const QString& path) {
  if (!window_) return;
  showMark();
  messageBox(QStringLiteral("saveFailedBox"), ui("Call List Not Saved"),
             ui("The call list could not be saved in “%1”: %2").arg(folderOf(path), failure_),
             ui("Your changes are kept in this window and saving is tried again every moment. "
                "Free some space or fix the folder's permissions; until then, export the list "
                "to keep it."))
      ->open();
}

void CallListStorage::showMark() {
  if (!window_) return;
  if (!mark_) {
    mark_ = new QLabel(ui("⚠ Not saved"), window_);
    mark_->setObjectName(kMarkName);
    window_->statusBar()->addPermanentWidget(mark_);
  }
  mark_->setToolTip(failure_);
}

void CallListStorage::reportLaunchProblem() {
  const std::optional<DomainLoadProblem> problem = Tirr_UserDefaults::applicationDomainProblem();
  if (!problem || !window_) return;
  if (problem->kind == DomainLoadProblem::Kind::Unreadable) {
    // Nothing can be stored in this run; that is said here, not again at the first write.
    told_ = true;
    failure_ = problem->reason;
    showMark();
    window_->statusBar()->showMessage(ui("The stored call list cannot be read."));
    messageBox(QStringLiteral("launchProblemBox"), ui("Call List Cannot Be Shown"),
               ui("The stored call list in “%1” cannot be read: %2").arg(problem->path, problem->reason),
               ui("The file is left as it is and nothing is written over it. Check its owner and "
                  "permissions, then start the program again; changes made now cannot be saved."))
        ->open();
  } else {
    window_->statusBar()->showMessage(ui("The stored call list was damaged; the list starts empty."));
    messageBox(QStringLiteral("launchProblemBox"), ui("Call List Damaged"),
               ui("The stored call list in “%1” could not be read: %2").arg(problem->path, problem->reason),
               ui("The damaged file was kept as “%1”. The list starts empty.").arg(problem->movedTo))
        ->open();
  }
}

bool CallListStorage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Close || watched != window_ || quitAnyway_ || !failing())
    return QObject::eventFilter(watched, event);
  // One more try, waiting for it: the disk may have room again.
  const bool queued = Tirr_UserDefaults::synchronizeDefaults();
  if (Tirr_UserDefaults::waitForPendingSaves() && queued) {
    failure_.clear();
    return QObject::eventFilter(watched, event);
  }
  event->ignore();
  askBeforeQuitting();
  return true;
}

void CallListStorage::askBeforeQuitting() {
  QMessageBox* box = messageBox(
      QStringLiteral("quitUnsavedBox"), ui("Quit Without Saving?"),
      ui("The call list could not be saved: %1").arg(failure_),
      ui("If you quit now, the changes since the last successful save are lost. Export the list to "
         "keep it."));
  box->setIcon(QMessageBox::Question);
  QPushButton* exportButton = box->addButton(ui("Export…"), QMessageBox::AcceptRole);
  QPushButton* quitButton = box->addButton(ui("Quit Without Saving"), QMessageBox::DestructiveRole);
  box->addButton(QMessageBox::Cancel);
  box->setDefaultButton(exportButton);
  box->removeButton(box->button(QMessageBox::Ok));
  connect(box, &QMessageBox::buttonClicked, this, [this, exportButton, quitButton](QAbstractButton* clicked) {
    if (clicked == exportButton) {
      QMetaObject::invokeMethod(this, &CallListStorage::exportRequested, Qt::QueuedConnection);
    } else if (clicked == quitButton) {
      quitAnyway_ = true;
      if (window_) QMetaObject::invokeMethod(window_, &QWidget::close, Qt::QueuedConnection);
    }
  });
  box->open();
}

QMessageBox* CallListStorage::messageBox(const QString& name, const QString& title, const QString& text,
                                         const QString& details) {
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, window_);
  box->setObjectName(name);
  box->setInformativeText(details);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  return box;
}
