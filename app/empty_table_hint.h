// A hint drawn over the table while it shows no rows: with no list, what file
// to load and which columns it may have; with a filter that hides every row,
// that nothing matches.
#pragma once

#include <QObject>
#include <QWidget>

class ArrayController;
class QLabel;
class QTableView;

class EmptyTableHint : public QObject {
  Q_OBJECT

 public:
  EmptyTableHint(ArrayController* controller, QTableView* table, QObject* parent = nullptr);

  [[nodiscard]] QLabel* label() const { return label_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void update();

  ArrayController* controller_;
  QWidget* viewport_;
  QLabel* label_;
};
