// The window around the calling workflow: dates with the year in full, the
// columns as the user left them, and the hint in an empty table.
#include "app/call_workflow.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "app/app_session_test.h"
#include "app/call_dates.h"
#include "app/call_filter_bar.h"
#include "app/call_table_cells.h"
#include "testsupport/qt_printers.h"

namespace {

using testsupport::relaunchStore;
using Session = testsupport::AppSession;
using CallWorkflowTest = testsupport::AppTest;

TEST(TableDates, ShowTheYearInFullAndOtherwiseAsTheExport) {
  const QDateTime date(QDate(2026, 12, 6), QTime(8, 41, 7), Qt::UTC);
  for (const char* locale : {"en_US", "de_DE", "fr_FR", "ja_JP", "ar_EG", "en_US_POSIX"}) {
    SCOPED_TRACE(locale);
    ScopedCallDateLocale defaults(locale, "Europe/Berlin");
    const QString table = formatTableDate(date);
    const QString exported = formatCallDate(date);
    if (exported.contains(QLatin1String("2026")) || exported.contains(QStringLiteral("٢٠٢٦"))) {
      EXPECT_EQ(table, exported);
    } else {
      // Where the export writes the year in two digits the table writes four, and nothing else changes.
      EXPECT_TRUE(table.contains(QLatin1String("2026")) || table.contains(QStringLiteral("٢٠٢٦")))
          << table.toStdString();
      QString shortened = table;
      shortened.replace(QLatin1String("2026"), QLatin1String("26"))
          .replace(QStringLiteral("٢٠٢٦"), QStringLiteral("٢٦"));
      EXPECT_EQ(shortened, exported);
    }
  }
}

TEST_F(CallWorkflowTest, DateCellsShowFourDigitYears) {
  ScopedCallDateLocale defaults("en_US", "UTC");
  Session s;
  s.controller()->setContent({{{CallKeys::index, qint64(1)},
                               {CallKeys::number, QStringLiteral("555")},
                               {CallKeys::date, QDateTime(QDate(2026, 12, 6), QTime(8, 41, 7), Qt::UTC)},
                               {CallKeys::success, false},
                               {CallKeys::note, QString()}}});
  const QModelIndex cell = s.table()->model()->index(0, CallListModel::DateColumn);
  auto* cells = qobject_cast<DateCellDelegate*>(s.table()->itemDelegateForColumn(CallListModel::DateColumn));
  ASSERT_NE(cells, nullptr);
  QStyleOptionViewItem option;
  cells->initStyleOption(&option, cell);
  EXPECT_TRUE(option.text.startsWith(QLatin1String("12/6/2026, 8:41:07"))) << option.text.toStdString();
  EXPECT_TRUE(cell.data().toString().startsWith(QLatin1String("12/6/26, 8:41:07")))
      << "the export's text stays";
}

TEST_F(CallWorkflowTest, ColumnWidthsAndOrderAreRemembered) {
  {
    Session s;
    QHeaderView* header = s.table()->horizontalHeader();
    header->resizeSection(CallListModel::NumberColumn, 233);
    header->moveSection(header->visualIndex(CallListModel::NoteColumn), 0);
    s.quit();
  }
  relaunchStore();
  Session s;
  QHeaderView* header = s.table()->horizontalHeader();
  EXPECT_EQ(header->sectionSize(CallListModel::NumberColumn), 233);
  EXPECT_EQ(header->logicalIndex(0), int(CallListModel::NoteColumn));
}

TEST_F(CallWorkflowTest, EmptyTableSaysWhatToLoad) {
  Session s;
  auto* hint = s.window->findChild<QLabel*>(QStringLiteral("emptyTableHint"));
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  for (const char* word : {"Ctrl+O", ".txt", "header row", "index, number, date, success and note"})
    EXPECT_TRUE(hint->text().contains(QLatin1String(word))) << word;
  s.controller()->setContent({{{CallKeys::index, qint64(1)}, {CallKeys::number, QStringLiteral("555")}}});
  EXPECT_FALSE(hint->isVisible());
  s.window->findAction()->trigger();
  auto* bar = s.window->findChild<CallFilterBar*>();
  QTest::keyClicks(bar->searchField(), QStringLiteral("nobody"));
  QTest::keyClick(bar->searchField(), Qt::Key_Return);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->text(), QStringLiteral("No entry matches the filter."));
}

}  // namespace
