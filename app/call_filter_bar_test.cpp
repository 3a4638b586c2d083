// Find and filter, and the progress field: what the table shows, what Dial
// Next and the progress count, and that the stored list stays whole.
#include "app/call_filter_bar.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include "app/app_session_test.h"
#include "app/call_progress.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"

namespace {

QVariantMap call(qint64 index, const QString& number, const QString& note, bool success = false,
                 bool called = false) {
  QVariantMap record{{CallKeys::index, index},
                     {CallKeys::number, number},
                     {CallKeys::success, success},
                     {CallKeys::note, note}};
  if (called) record.insert(CallKeys::date, QDateTime(QDate(2026, 5, 4), QTime(9, 30), Qt::UTC));
  return record;
}

CallList sampleCalls() {
  return {
      call(1, QStringLiteral("555-01 07"), QStringLiteral("Anna, call after 3"), false, true),
      call(2, QStringLiteral("+49 30 1234"), QStringLiteral("Bäckerei"), true, true),
      call(3, QStringLiteral("0800 2662"), QStringLiteral("ask for ANNA")),
      call(4, QStringLiteral("555 0199"), QStringLiteral("voicemail")),
      call(5, QStringLiteral("555 0200"), QStringLiteral("anna's brother"), true, false),
  };
}

TEST(CallListFilter, AcceptsByTextAndCalls) {
  using Calls = CallListFilter::Calls;
  const struct {
    CallListFilter filter;
    QList<qint64> shown;  // indexes of the sample calls
  } cases[] = {
      {{QString(), Calls::All}, {1, 2, 3, 4, 5}},
      {{QStringLiteral("   "), Calls::All}, {1, 2, 3, 4, 5}},
      {{QStringLiteral("anna"), Calls::All}, {1, 3, 5}},
      {{QStringLiteral("ANNA"), Calls::NotCalled}, {3, 5}},
      {{QStringLiteral("bäckerei"), Calls::All}, {2}},
      {{QStringLiteral("5550107"), Calls::All}, {1}},
      {{QStringLiteral("555-0199"), Calls::All}, {4}},
      {{QStringLiteral("0 199"), Calls::All}, {4}},
      {{QStringLiteral("301234"), Calls::All}, {2}},
      {{QStringLiteral("+49"), Calls::All}, {2}},
      {{QStringLiteral("a1"), Calls::All}, {}},
      {{QString(), Calls::NotCalled}, {3, 4, 5}},
      {{QString(), Calls::Succeeded}, {2, 5}},
      {{QString(), Calls::NotSucceeded}, {1, 3, 4}},
      {{QStringLiteral("555"), Calls::NotSucceeded}, {1, 4}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.filter.search + u' ' + QString::number(int(c.filter.calls))).toStdString());
    QList<qint64> shown;
    const CallList calls = sampleCalls();
    for (qsizetype row = 0; row < calls.size(); ++row)
      if (c.filter.accepts(calls, row)) shown << calls.value(row, CallField::Index).toLongLong();
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(CallListFilter, SortedViewShowsOnlyAcceptedRowsAndMapsHiddenOnesToNothing) {
  ArrayController controller;
  QAbstractItemModelTester tester(controller.arranged(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  controller.setContent(sampleCalls());
  CallListSortModel* arranged = controller.arranged();
  arranged->sort(CallListModel::IndexColumn, Qt::DescendingOrder);
  const CallListFilter anna{QStringLiteral("anna"), CallListFilter::Calls::All};
  arranged->setRowFilter([anna](const CallList& calls, qsizetype row) { return anna.accepts(calls, row); });
  QList<int> rows;
  for (int row = 0; row < arranged->rowCount(); ++row)
    rows << arranged->mapToSource(arranged->index(row, 0)).row();
  EXPECT_EQ(rows, (QList<int>{4, 2, 0}));
  EXPECT_FALSE(arranged->mapFromSource(controller.model()->index(1, 0)).isValid());
  EXPECT_EQ(arranged->mapFromSource(controller.model()->index(2, 0)).row(), 1);
  // An edit that fails the filter keeps the row until the filter is set again.
  controller.model()->setData(controller.model()->index(2, CallListModel::NoteColumn), QStringLiteral("x"));
  arranged->sort(CallListModel::IndexColumn, Qt::AscendingOrder);
  EXPECT_EQ(arranged->rowCount(), 3);
  arranged->setRowFilter({});
  EXPECT_EQ(arranged->rowCount(), 5);
  EXPECT_EQ(controller.content().size(), 5);
}

struct Session : testsupport::AppSession {
  Session() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  CallFilterBar* bar() const { return window->findChild<CallFilterBar*>(); }
  QString progress() const { return window->findChild<QLabel*>(QStringLiteral("callProgress"))->text(); }
  QList<qint64> shownIndexes() const {
    QList<qint64> indexes;
    for (int row = 0; row < table()->model()->rowCount(); ++row)
      indexes << table()->model()->index(row, CallListModel::IndexColumn).data().toLongLong();
    return indexes;
  }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
  }
};

using CallFilterBarTest = testsupport::AppTest;

TEST_F(CallFilterBarTest, FindNarrowsTheTableDialNextAndProgressButNotTheList) {
  Session s;
  s.controller()->setContent(sampleCalls());
  EXPECT_EQ(s.progress(), QStringLiteral("2 of 5 called · 2 succeeded"));
  EXPECT_FALSE(s.bar()->isVisible());

  s.table()->setFocus();
  s.press(Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(s.bar()->isVisible());
  ASSERT_EQ(QApplication::focusWidget(), s.bar()->searchField());
  QTest::keyClicks(s.bar()->searchField(), QStringLiteral("anna"));
  s.press(Qt::Key_Return);  // applies at once and goes to the table
  EXPECT_EQ(QApplication::focusWidget(), s.table());
  EXPECT_EQ(s.shownIndexes(), (QList<qint64>{1, 3, 5}));
  EXPECT_EQ(s.progress(), QStringLiteral("1 of 3 called · 1 succeeded"));
  EXPECT_EQ(s.controller()->selectedContentRows(), QList<int>{0});

  // Dial Next goes to the next row shown that is not called: record 3, not 4.
  s.press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(s.content().record(2).contains(CallKeys::date));
  EXPECT_FALSE(s.content().record(3).contains(CallKeys::date));
  EXPECT_EQ(s.progress(), QStringLiteral("2 of 3 called · 1 succeeded"));
  s.press(Qt::Key_Space);
  EXPECT_EQ(s.progress(), QStringLiteral("2 of 3 called · 2 succeeded"));

  s.bar()->callsChoice()->setCurrentIndex(
      s.bar()->callsChoice()->findData(int(CallListFilter::Calls::NotCalled)));
  EXPECT_EQ(s.shownIndexes(), QList<qint64>{5});
  EXPECT_EQ(s.progress(), QStringLiteral("0 of 1 called · 1 succeeded"));

  // The stored list is the whole list in content order.
  s.quit();
  testsupport::relaunchStore();
  const QVariantList stored =
      Tirr_UserDefaults::readDefault(AppDelegate::kDataKey).value_or(QVariant()).toList();
  ASSERT_EQ(stored.size(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(stored[i].toMap().value(CallKeys::index), QVariant(qint64(i + 1)));
}

TEST_F(CallFilterBarTest, SelectionStaysOnRowsStillShownAndEscapeKeepsTheFilter) {
  Session s;
  s.controller()->setContent(sampleCalls());
  s.table()->selectionModel()->setCurrentIndex(
      s.table()->model()->index(3, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  s.window->findAction()->trigger();
  QTest::keyClicks(s.bar()->searchField(), QStringLiteral("555"));
  s.press(Qt::Key_Escape);
  EXPECT_EQ(s.shownIndexes(), (QList<qint64>{1, 4, 5}));
  EXPECT_EQ(s.controller()->selectedContentRows(), QList<int>{3});
  EXPECT_EQ(QApplication::focusWidget(), s.table());
  // Typing applies by itself once it pauses.
  s.window->findAction()->trigger();
  QTest::keyClicks(s.bar()->searchField(), QStringLiteral("voice"));
  EXPECT_TRUE(QTest::qWaitFor([&s] { return s.shownIndexes() == QList<qint64>{4}; }));
  s.bar()->searchField()->clear();
  EXPECT_TRUE(QTest::qWaitFor([&s] { return s.shownIndexes().size() == 5; }));
}

}  // namespace
