#include "app/empty_table_hint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QTableView>

#include "app/array_controller.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

}  // namespace

EmptyTableHint::EmptyTableHint(ArrayController* controller, QTableView* table, QObject* parent)
    : QObject(parent), controller_(controller), viewport_(table->viewport()), label_(new QLabel(viewport_)) {
  label_->setObjectName(QStringLiteral("emptyTableHint"));
  label_->setAlignment(Qt::AlignCenter);
  label_->setWordWrap(true);
  label_->setTextFormat(Qt::PlainText);
  label_->setContentsMargins(24, 24, 24, 24);
  label_->setForegroundRole(QPalette::PlaceholderText);
  viewport_->installEventFilter(this);
  CallListSortModel* arranged = controller->arranged();
  connect(arranged, &QAbstractItemModel::modelReset, this, &EmptyTableHint::update);
  connect(arranged, &QAbstractItemModel::layoutChanged, this, &EmptyTableHint::update);
  connect(arranged, &QAbstractItemModel::rowsInserted, this, &EmptyTableHint::update);
  connect(arranged, &QAbstractItemModel::rowsRemoved, this, &EmptyTableHint::update);
  update();
}

bool EmptyTableHint::eventFilter(QObject* watched, QEvent* event) {
  // Only the stored viewport is compared: while the table is torn down its
  // viewport still gets events, and the table may no longer be asked anything.
  if (event->type() == QEvent::Resize && watched == viewport_) label_->setGeometry(viewport_->rect());
  return QObject::eventFilter(watched, event);
}

void EmptyTableHint::update() {
  if (controller_->arranged()->rowCount() > 0) {
    label_->hide();
    return;
  }
  label_->setText(
      controller_->content().isEmpty()
          ? ui("No call list yet.\n\nLoad one with File ▸ Load… (Ctrl+O): a .txt file, tab- or "
               "comma-separated, with a header row and one call per line. Either a single column of "
               "telephone numbers under any heading, or the columns index, number, date, success "
               "and note, as an exported call log has them.")
          : ui("No entry matches the filter."));
  label_->setGeometry(viewport_->rect());
  label_->show();
}
