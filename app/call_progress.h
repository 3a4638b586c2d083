// A lasting status-bar field with the progress through the rows the table
// shows: "42 of 200 called · 17 succeeded". A record counts as called once it
// has a call date. It follows every dial, tick and filter as it happens.
#pragma once

#include <QObject>
#include <QString>
#include <vector>

class ArrayController;
class QLabel;
class QStatusBar;

class CallProgress : public QObject {
  Q_OBJECT

 public:
  CallProgress(ArrayController* controller, QStatusBar* statusBar, QObject* parent = nullptr);

  // The field's text; empty for an empty table.
  [[nodiscard]] QString text() const;
  [[nodiscard]] QLabel* label() const { return label_; }

 private:
  void recountAll();
  void recountRows(int first, int last);
  void show();

  ArrayController* controller_;
  QLabel* label_;
  std::vector<quint8> counted_;  // per content row: what it adds to the counts
  qint64 shown_ = 0;
  qint64 called_ = 0;
  qint64 succeeded_ = 0;
};
