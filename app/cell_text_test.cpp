// The table shows the start of a long text; editing and storing keep all of it.
#include "app/cell_text.h"

#include <gtest/gtest.h>

#include "app/call_list_model.h"
#include "testsupport/qt_printers.h"

namespace {

TEST(CellText, ShowsTheStartOfALongText) {
  const QString ellipsis(QChar(0x2026));
  const QString pair = QStringLiteral("📞");  // two UTF-16 units
  const struct {
    const char* name;
    QString text;
    QString shown;
  } cases[] = {
      {"empty", QString(), QString()},
      {"exactly the length shown", QString(kShownCellLength, u'a'), QString(kShownCellLength, u'a')},
      {"one more", QString(kShownCellLength + 1, u'a'), QString(kShownCellLength, u'a') + ellipsis},
      {"a pair across the cut stays whole", QString(kShownCellLength - 1, u'a') + pair + QStringLiteral("b"),
       QString(kShownCellLength - 1, u'a') + ellipsis},
      {"a pair just before the cut", QString(kShownCellLength - 2, u'a') + pair + QStringLiteral("b"),
       QString(kShownCellLength - 2, u'a') + pair + ellipsis},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(shownCellText(c.text), c.shown);
  }
}

TEST(CellText, TableShowsShortEditsAndKeepsWhole) {
  const QString note(8 * 1024 * 1024, u'n');
  CallListModel model;
  model.setContent({{{CallKeys::index, qint64(1)},
                     {CallKeys::number, QString(1000, u'5')},
                     {CallKeys::success, false},
                     {CallKeys::note, note}}});
  const QModelIndex cell = model.index(0, CallListModel::NoteColumn);
  EXPECT_EQ(cell.data(Qt::DisplayRole).toString().size(), kShownCellLength + 1);
  EXPECT_EQ(cell.data(Qt::ToolTipRole).toString().size(), kShownCellLength + 1);
  EXPECT_EQ(cell.data(Qt::EditRole).toString(), note);
  EXPECT_EQ(model.index(0, CallListModel::NumberColumn).data().toString().size(), kShownCellLength + 1);

  EXPECT_TRUE(model.setData(cell, note + QStringLiteral("!"), Qt::EditRole));
  EXPECT_EQ(model.record(0).value(CallKeys::note).toString().size(), note.size() + 1);
}

}  // namespace
