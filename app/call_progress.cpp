#include "app/call_progress.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

#include "app/array_controller.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

constexpr quint8 kShown = 1, kCalled = 2, kSucceeded = 4;

quint8 flagsOf(const CallList& records, qsizetype row) {
  return kShown | (records.called(row) ? kCalled : 0) | (records.succeeded(row) ? kSucceeded : 0);
}

}  // namespace

CallProgress::CallProgress(ArrayController* controller, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), controller_(controller), label_(new QLabel(statusBar)) {
  label_->setObjectName(QStringLiteral("callProgress"));
  statusBar->addPermanentWidget(label_);
  CallListSortModel* arranged = controller->arranged();
  connect(arranged, &QAbstractItemModel::modelReset, this, &CallProgress::recountAll);
  // A new order (layoutChanged) shows the same records: nothing to count again.
  connect(controller->model(), &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
            recountRows(topLeft.row(), bottomRight.row());
          });
  recountAll();
}

void CallProgress::recountAll() {
  const CallList& records = controller_->content();
  CallListSortModel* arranged = controller_->arranged();
  counted_.assign(records.size(), 0);
  shown_ = called_ = succeeded_ = 0;
  for (int row = 0; row < arranged->rowCount(); ++row) {
    const int content = arranged->mapToSource(arranged->index(row, 0)).row();
    counted_[content] = flagsOf(records, content);
    ++shown_;
  }
  for (const quint8 flags : counted_) {
    called_ += (flags & kCalled) ? 1 : 0;
    succeeded_ += (flags & kSucceeded) ? 1 : 0;
  }
  show();
}

void CallProgress::recountRows(int first, int last) {
  const CallList& records = controller_->content();
  for (int row = qMax(first, 0); row <= last && row < int(counted_.size()); ++row) {
    const quint8 before = counted_[row];
    if (!(before & kShown)) continue;  // hidden by the filter
    const quint8 after = flagsOf(records, row);
    called_ += ((after & kCalled) ? 1 : 0) - ((before & kCalled) ? 1 : 0);
    succeeded_ += ((after & kSucceeded) ? 1 : 0) - ((before & kSucceeded) ? 1 : 0);
    counted_[row] = after;
  }
  show();
}

QString CallProgress::text() const {
  if (shown_ == 0) return {};
  return ui("%1 of %2 called · %3 succeeded").arg(called_).arg(shown_).arg(succeeded_);
}

void CallProgress::show() { label_->setText(text()); }
