// The call list as the table sees it: the content (the model, in content
// order), the arranged order (the sorting proxy the table shows) and the
// selection, which is expressed in table order.
#pragma once

#include <QItemSelectionModel>
#include <QObject>

#include "app/call_list_model.h"
#include "app/call_list_sort_model.h"

class ArrayController : public QObject {
  Q_OBJECT

 public:
  explicit ArrayController(QObject* parent = nullptr);

  // Replaces the whole list; the table's current sort applies to it.
  void setContent(CallList records);
  [[nodiscard]] const CallList& content() const { return model_.content(); }
  // The selected records' rows in the content, in table order.
  [[nodiscard]] QList<int> selectedContentRows() const;
  // The selected records as dictionaries, in table order.
  [[nodiscard]] QList<QVariantMap> selectedObjects() const;
  // Re-applies the table's sort.
  void rearrangeObjects();

  [[nodiscard]] CallListModel* model() { return &model_; }
  [[nodiscard]] CallListSortModel* arranged() { return &arranged_; }
  [[nodiscard]] QItemSelectionModel* selection() { return &selection_; }

 private:
  CallListModel model_;
  CallListSortModel arranged_;
  QItemSelectionModel selection_;
};
