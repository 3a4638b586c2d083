// The table's arranged order: every kind of value a column can hold, both
// directions, ties, and texts whose sort keys agree beyond their first bytes.
#include "app/call_list_sort_model.h"

#include <gtest/gtest.h>

#include "app/call_list_model.h"
#include "testsupport/qt_printers.h"

namespace {

// The content rows in the order the table shows them, after sorting the
// note column of records holding `values` (an invalid QVariant: no note).
QList<int> arrangedRows(const QVariantList& values, Qt::SortOrder order) {
  CallListModel model;
  CallList records;
  for (const QVariant& v : values) {
    QVariantMap record;
    if (v.isValid()) record.insert(CallKeys::note, v);
    records.append(record);
  }
  model.setContent(records);
  CallListSortModel arranged;
  arranged.setSourceModel(&model);
  arranged.sort(CallListModel::NoteColumn, order);
  QList<int> rows;
  for (int row = 0; row < arranged.rowCount(); ++row)
    rows.append(arranged.mapToSource(arranged.index(row, 0)).row());
  return rows;
}

QString longText(const char* tail) {
  return QStringLiteral("the same long beginning of a note, then ") + QLatin1String(tail);
}

TEST(CallListSortModel, OrdersEveryKindOfValue) {
  const QDateTime day(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
  struct Case {
    const char* name;
    QVariantList values;
    QList<int> ascending;
    QList<int> descending;
  } cases[] = {
      {"numbers by value, negative and fractional",
       {qint64(10), qint64(-3), 2.5, qint64(2)},
       {1, 3, 2, 0},
       {0, 2, 3, 1}},
      {"absent first, then numbers, then texts",
       {QStringLiteral("a"), QVariant(), qint64(7)},
       {1, 2, 0},
       {0, 2, 1}},
      {"texts numeric-aware and without case",
       {QStringLiteral("555-10"), QStringLiteral("555-9"), QStringLiteral("Apple"),
        QStringLiteral("apricot")},
       {1, 0, 2, 3},
       {3, 2, 0, 1}},
      {"leading zeros compare by value",
       {QStringLiteral("0800123456"), QStringLiteral("5551234")},
       {1, 0},
       {0, 1}},
      {"ties keep content order both ways",
       {QStringLiteral("x"), QStringLiteral("X"), QStringLiteral("x")},
       {0, 1, 2},
       {0, 1, 2}},
      {"keys that agree beyond sixteen bytes",
       {longText("zebra"), longText("aardvark"), longText("mole")},
       {1, 2, 0},
       {0, 2, 1}},
      {"dates and booleans by value", {day, day.addSecs(-1), true, false}, {3, 2, 1, 0}, {0, 1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(arrangedRows(c.values, Qt::AscendingOrder), c.ascending);
    EXPECT_EQ(arrangedRows(c.values, Qt::DescendingOrder), c.descending);
  }
}

TEST(CallListSortModel, UnsortedColumnShowsContentOrder) {
  CallListModel model;
  model.setContent({{{CallKeys::index, qint64(2)}}, {{CallKeys::index, qint64(1)}}});
  CallListSortModel arranged;
  arranged.setSourceModel(&model);
  arranged.sort(CallListModel::IndexColumn);
  EXPECT_EQ(arranged.mapToSource(arranged.index(0, 0)).row(), 1);
  arranged.sort(-1);
  EXPECT_EQ(arranged.mapToSource(arranged.index(0, 0)).row(), 0);
}

}  // namespace
