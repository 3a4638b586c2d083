// The application on its real widgets (offscreen platform): launch, quit and
// relaunch, autosave, window frame, sorting and the shortcuts of the actions.
#include "app/app_delegate.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <memory>

#include "app/app_session_test.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"

namespace {

QDateTime someDate() { return QDateTime(QDate(2026, 3, 14), QTime(15, 9, 26, 535), Qt::UTC); }

CallList sampleList() {
  return {
      {{CallKeys::index, qint64(1)},
       {CallKeys::number, QStringLiteral("555-0100")},
       {CallKeys::success, false},
       {CallKeys::note, QString()}},
      {{CallKeys::index, qint64(2)},
       {CallKeys::number, QStringLiteral("0800123456")},
       {CallKeys::date, someDate()},
       {CallKeys::success, true},
       {CallKeys::note, QStringLiteral("called back")}},
      {{CallKeys::index, qint64(3)},
       {CallKeys::number, qint64(5551234)},
       {CallKeys::success, false},
       {CallKeys::note, QStringLiteral("Zürich ☎ 𝄞")}},
  };
}

using testsupport::relaunchStore;
using Session = testsupport::AppSession;
using AppDelegateTest = testsupport::AppTest;

void expectSameList(const CallList& actual, const CallList& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (qsizetype i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const QVariantMap got = actual.record(i), want = expected.record(i);
    EXPECT_EQ(got.keys(), want.keys());
    for (auto it = want.cbegin(); it != want.cend(); ++it) {
      SCOPED_TRACE(it.key().toStdString());
      EXPECT_EQ(got.value(it.key()).typeId(), it.value().typeId());
      EXPECT_EQ(got.value(it.key()), it.value());
    }
  }
}

TEST_F(AppDelegateTest, FirstLaunchIsEmptyAndCentred) {
  EXPECT_TRUE(Tirr_UserDefaults::defaultExists(AppDelegate::kDataKey));
  Session s;
  EXPECT_EQ(s.table()->model()->rowCount(), 0);
  const QRect area = s.window->screen()->availableGeometry();
  const QPoint centre = s.window->frameGeometry().center();
  EXPECT_LE(std::abs(centre.x() - area.center().x()), 2);
  EXPECT_LE(std::abs(centre.y() - area.center().y()), 2);
  EXPECT_TRUE(s.window->isVisible());
}

TEST_F(AppDelegateTest, ListSurvivesQuitAndRelaunchWithKeysKindsAndOrder) {
  {
    Session s;
    s.controller()->setContent(sampleList());
    s.quit();
  }
  relaunchStore();
  Session again;
  expectSameList(again.controller()->content(), sampleList());
  EXPECT_EQ(again.table()->model()->rowCount(), 3);
}

TEST_F(AppDelegateTest, QuitWithEmptyListStoresEmptyArray) {
  {
    Session s;
    s.quit();
  }
  relaunchStore();
  const auto stored =
      Tirr_UserDefaults::readDefault(AppDelegate::kDataKey, Tirr_UserDefaults::applicationDomain());
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(stored->typeId(), QMetaType::QVariantList);
  EXPECT_TRUE(stored->toList().isEmpty());
}

TEST_F(AppDelegateTest, QuittingBeforeTheTableIsFilledKeepsTheStoredList) {
  {
    Session s;
    s.controller()->setContent(sampleList());
    s.quit();
  }
  relaunchStore();
  auto delegate = std::make_unique<AppDelegate>();
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(delegate.get()));
  delegate->applicationDidFinishLaunching();
  EXPECT_FALSE(delegate->callListRestored());
  delegate->applicationWillTerminate();
  relaunchStore();
  EXPECT_EQ(Tirr_UserDefaults::readDefault(AppDelegate::kDataKey).value_or(QVariant()).toList().size(), 3);
}

TEST_F(AppDelegateTest, TableEditsLandInTheRecordAndSurviveAKill) {
  Session s;
  s.controller()->setContent(sampleList());
  QTableView* table = s.table();
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));

  // Space on the success cell ticks it; typing on the note cell edits it.
  table->setFocus();
  table->setCurrentIndex(table->model()->index(0, CallListModel::SuccessColumn));
  QTest::keyClick(table, Qt::Key_Space);
  table->setCurrentIndex(table->model()->index(0, CallListModel::NoteColumn));
  QTest::keyClick(table, Qt::Key_L);  // the first key opens the editor with it
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, table);
  QTest::keyClicks(editor, QStringLiteral("eft a message"));
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the delegate commits on a queued call

  EXPECT_EQ(s.controller()->content().record(0).value(CallKeys::success), QVariant(true));
  EXPECT_EQ(s.controller()->content().record(0).value(CallKeys::note), QVariant(QStringLiteral("left a message")));

  // No quit: only the autosave can have stored the edits.
  QTest::qWait(AppDelegate::kAutosaveDelayMs + 300);
  relaunchStore();
  const CallList stored = [] {
    CallList list;
    for (const QVariant& v :
         Tirr_UserDefaults::readDefault(AppDelegate::kDataKey).value_or(QVariant()).toList())
      list.append(v.toMap());
    return list;
  }();
  ASSERT_EQ(stored.size(), 3);
  EXPECT_EQ(stored.record(0).value(CallKeys::success), QVariant(true));
  EXPECT_EQ(stored.record(0).value(CallKeys::note), QVariant(QStringLiteral("left a message")));
}

TEST_F(AppDelegateTest, FrameIsStoredAndAppliedAtTheNextLaunch) {
  const QRect frame(40, 30, 640, 420);
  {
    Session s;
    s.window->setGeometry(frame);
    s.quit();
  }
  relaunchStore();
  EXPECT_TRUE(Tirr_UserDefaults::defaultExists(AppDelegate::kFrameKey));
  Session again;
  EXPECT_EQ(again.window->geometry(), frame);
}

TEST_F(AppDelegateTest, MovingTheWindowStoresTheFrameWithoutQuitting) {
  Session s;
  s.window->setGeometry(QRect(20, 20, 500, 300));
  QTest::qWait(AppDelegate::kAutosaveDelayMs + 300);
  relaunchStore();
  EXPECT_EQ(Tirr_UserDefaults::readDefault(AppDelegate::kFrameKey).value_or(QVariant()).toString(),
            QStringLiteral("20 20 500 300"));
}

TEST_F(AppDelegateTest, HeaderSortPersistsAndKeepsContentOrder) {
  {
    Session s;
    s.controller()->setContent(sampleList());
    s.table()->sortByColumn(CallListModel::NumberColumn, Qt::DescendingOrder);
    // Content order is untouched; only the table's order changes.
    EXPECT_EQ(s.controller()->content().record(0).value(CallKeys::index), QVariant(qint64(1)));
    s.quit();
  }
  relaunchStore();
  Session again;
  QHeaderView* header = again.table()->horizontalHeader();
  EXPECT_EQ(header->sortIndicatorSection(), int(CallListModel::NumberColumn));
  EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
  QAbstractItemModel* shown = again.table()->model();
  QStringList numbers;
  for (int row = 0; row < shown->rowCount(); ++row)
    numbers << shown->index(row, CallListModel::NumberColumn).data().toString();
  // Texts compare numeric-aware ("0800123456" is 800123456, "555-0100" starts
  // with 555); number values sort by value, before all texts.
  EXPECT_EQ(numbers, (QStringList{QStringLiteral("0800123456"), QStringLiteral("555-0100"),
                                  QStringLiteral("5551234")}));
}

TEST_F(AppDelegateTest, ShortcutsReachTheActions) {
  Session s;
  s.controller()->setContent(sampleList());
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));

  QTest::keyClick(s.window.get(), Qt::Key_O, Qt::ControlModifier);
  auto* loadDialog = s.window->findChild<QFileDialog*>(QStringLiteral("loadDialog"));
  ASSERT_NE(loadDialog, nullptr);
  EXPECT_EQ(loadDialog->directory().absolutePath(), QDir::homePath() + QStringLiteral("/Desktop"));
  loadDialog->reject();
  // A window manager gives the focus back to the main window; offscreen there is none.
  s.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));

  QTest::keyClick(s.window.get(), Qt::Key_E, Qt::ControlModifier);
  auto* exportDialog = s.window->findChild<QFileDialog*>(QStringLiteral("exportDialog"));
  ASSERT_NE(exportDialog, nullptr);
  EXPECT_EQ(exportDialog->selectedFiles().value(0).section(QLatin1Char('/'), -1),
            AppDelegate::kExportFileName);
  exportDialog->reject();
  s.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(s.window.get()));

  // Ctrl+D and Return on a row dial it: the record is stamped.
  s.table()->setFocus();
  s.table()->selectRow(0);
  QTest::keyClick(s.window.get(), Qt::Key_D, Qt::ControlModifier);
  const int first = s.controller()->selectedContentRows().value(0);
  EXPECT_TRUE(s.controller()->content().record(first).contains(CallKeys::date));
  s.table()->selectRow(2);
  QTest::keyClick(s.table(), Qt::Key_Return);
  const int third = s.controller()->selectedContentRows().value(0);
  EXPECT_TRUE(s.controller()->content().record(third).contains(CallKeys::date));
}

TEST(CallListModels, PassTheModelTester) {
  ArrayController controller;
  QAbstractItemModelTester sourceTester(controller.model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester arrangedTester(controller.arranged(),
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
  controller.setContent(sampleList());
  controller.arranged()->sort(CallListModel::DateColumn, Qt::DescendingOrder);
  controller.model()->stampDate(0, someDate().addDays(1));
  controller.rearrangeObjects();
  controller.arranged()->sort(-1);
  controller.setContent({});
  EXPECT_EQ(controller.arranged()->rowCount(), 0);
}

TEST(CallListModels, SelectionIsInTableOrderAndFollowsASort) {
  ArrayController controller;
  controller.setContent(sampleList());
  controller.arranged()->sort(CallListModel::IndexColumn, Qt::DescendingOrder);  // rows 3, 2, 1
  QItemSelectionModel* selection = controller.selection();
  selection->select(controller.arranged()->index(2, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  selection->select(controller.arranged()->index(0, 0),
                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(controller.selectedContentRows(), (QList<int>{2, 0}));
  // Sorting the other way moves the selection with its records.
  controller.arranged()->sort(CallListModel::IndexColumn, Qt::AscendingOrder);
  EXPECT_EQ(controller.selectedContentRows(), (QList<int>{0, 2}));
  EXPECT_EQ(controller.selectedObjects().last().value(CallKeys::index), QVariant(qint64(3)));
}

TEST(CallListModels, EditsDoNotMoveRowsUntilRearranged) {
  ArrayController controller;
  controller.setContent(sampleList());
  controller.arranged()->sort(CallListModel::NoteColumn, Qt::AscendingOrder);
  const QModelIndex firstNote = controller.arranged()->index(0, CallListModel::NoteColumn);
  const int contentRow = controller.arranged()->mapToSource(firstNote).row();
  ASSERT_TRUE(controller.arranged()->setData(firstNote, QStringLiteral("zzz last"), Qt::EditRole));
  EXPECT_EQ(controller.arranged()->mapToSource(firstNote).row(), contentRow);
  controller.rearrangeObjects();
  EXPECT_EQ(controller.arranged()->mapToSource(controller.arranged()->index(2, 0)).row(), contentRow);
}

}  // namespace
