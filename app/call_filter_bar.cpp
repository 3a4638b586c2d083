#include "app/call_filter_bar.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "app/array_controller.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

}  // namespace

CallFilterBar::CallFilterBar(ArrayController* controller, QTableView* table, QWidget* parent)
    : QWidget(parent),
      controller_(controller),
      table_(table),
      search_(new QLineEdit(this)),
      calls_(new QComboBox(this)) {
  setObjectName(QStringLiteral("filterBar"));
  search_->setObjectName(QStringLiteral("searchField"));
  search_->setPlaceholderText(ui("Find a number or note"));
  search_->setClearButtonEnabled(true);
  search_->installEventFilter(this);
  calls_->setObjectName(QStringLiteral("callsChoice"));
  calls_->addItem(ui("All"), int(CallListFilter::Calls::All));
  calls_->addItem(ui("Not called"), int(CallListFilter::Calls::NotCalled));
  calls_->addItem(ui("Succeeded"), int(CallListFilter::Calls::Succeeded));
  calls_->addItem(ui("Not succeeded"), int(CallListFilter::Calls::NotSucceeded));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(ui("&Find:"), this);
  label->setBuddy(search_);
  layout->addWidget(label);
  layout->addWidget(search_, 1);
  layout->addWidget(calls_);

  typingPause_.setSingleShot(true);
  typingPause_.setInterval(kTypingPauseMs);
  connect(&typingPause_, &QTimer::timeout, this, &CallFilterBar::apply);
  connect(search_, &QLineEdit::textChanged, &typingPause_, qOverload<>(&QTimer::start));
  connect(calls_, &QComboBox::currentIndexChanged, this, &CallFilterBar::apply);
  hide();
}

void CallFilterBar::activate() {
  show();
  search_->setFocus(Qt::ShortcutFocusReason);
  search_->selectAll();
}

CallListFilter CallFilterBar::filter() const {
  return {search_->text(), CallListFilter::Calls(calls_->currentData().toInt())};
}

void CallFilterBar::apply() {
  typingPause_.stop();
  const QList<int> selected = controller_->selectedContentRows();
  const CallListFilter filter = this->filter();
  CallListSortModel* arranged = controller_->arranged();
  arranged->setRowFilter(filter.showsAll() ? CallListSortModel::RowFilter()
                                           : [filter](const CallList& records, qsizetype row) {
                                               return filter.accepts(records, row);
                                             });
  // The reset dropped the selection: select again what is still shown.
  QItemSelectionModel* selection = controller_->selection();
  QModelIndex current;
  for (const int row : selected) {
    const QModelIndex shown = arranged->mapFromSource(controller_->model()->index(row, 0));
    if (!shown.isValid()) continue;
    selection->select(shown, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    current = shown;
  }
  if (current.isValid()) {
    selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    table_->scrollTo(current);
  }
}

void CallFilterBar::backToTable() {
  if (typingPause_.isActive()) apply();
  if (!controller_->selection()->hasSelection() && controller_->arranged()->rowCount() > 0)
    controller_->selection()->setCurrentIndex(
        controller_->arranged()->index(0, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  table_->setFocus(Qt::ShortcutFocusReason);
}

bool CallFilterBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == search_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down || key == Qt::Key_Escape) {
      backToTable();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
