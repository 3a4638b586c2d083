// Undo on the real widgets: an import (also after a relaunch, from the
// backup) and the edits of notes and successes.
#include "app/call_list_undo.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_session_test.h"
#include "prefs/plist_value.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"

namespace {

using testsupport::relaunchStore;

// A day's work: notes, a date with milliseconds, successes, and values of
// several kinds (an integer number, a float, a number-typed note).
CallList daysWork() {
  return {
      {{CallKeys::index, qint64(1)},
       {CallKeys::number, QStringLiteral("555 0101")},
       {CallKeys::date, QDateTime(QDate(2026, 12, 6), QTime(9, 41, 7, 123), Qt::UTC)},
       {CallKeys::success, true},
       {CallKeys::note, QStringLiteral("wants a callback at 7 pm ☎")}},
      {{CallKeys::index, qint64(2)},
       {CallKeys::number, qint64(5550102)},
       {CallKeys::success, false},
       {CallKeys::note, qint64(42)}},
      {{CallKeys::index, 3.5f},
       {CallKeys::number, QStringLiteral("+49 30 1234")},
       {CallKeys::success, false},
       {CallKeys::note, QString()}},
  };
}

void expectSameList(const CallList& actual, const CallList& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (qsizetype i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const QVariantMap got = actual.record(i), want = expected.record(i);
    EXPECT_EQ(got.keys(), want.keys());
    for (auto it = want.cbegin(); it != want.cend(); ++it)
      EXPECT_TRUE(plist::sameValue(got.value(it.key()), it.value())) << it.key().toStdString();
  }
}

struct Session : testsupport::AppSession {
  Session() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  QString status() const { return window->statusBar()->currentMessage(); }
  // Selects one row the way the keyboard does, whatever modifiers an earlier key left behind.
  void selectRow(int row) {
    table()->setFocus();
    table()->selectionModel()->setCurrentIndex(
        table()->model()->index(row, CallListModel::NumberColumn),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    QCoreApplication::processEvents();
  }
  // An import as the load dialog's OK completes it.
  void load(const QString& path) {
    delegate->openPanelDidEnd(QDialog::Accepted, path);
    table()->setFocus();
  }
};

class CallListUndoTest : public testsupport::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    QFile::remove(CallListUndo::backupPath());
    QVariantList stored;
    for (const QVariantMap& record : daysWork()) stored.append(record);
    Tirr_UserDefaults::writeDefault(stored, AppDelegate::kDataKey);
    relaunchStore();
    QFile file(dir_.filePath(QStringLiteral("new.txt")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Phone\n555 0900\n555 0901\n");
    newList_ = file.fileName();
  }

  QTemporaryDir dir_;
  QString newList_;
};

TEST_F(CallListUndoTest, UndoAfterAnImportRestoresTheListExactly) {
  Session s;
  expectSameList(s.content(), daysWork());
  s.load(newList_);
  ASSERT_EQ(s.content().size(), 2) << s.status().toStdString();
  EXPECT_TRUE(QFile::exists(CallListUndo::backupPath()));
  EXPECT_EQ(QFile::permissions(CallListUndo::backupPath()) & (QFile::ReadGroup | QFile::ReadOther), 0);

  s.press(Qt::Key_Z, Qt::ControlModifier);
  expectSameList(s.content(), daysWork());
  EXPECT_EQ(s.status(), QStringLiteral("Undone: Import."));
  EXPECT_EQ(s.controller()->selectedContentRows(), QList<int>{0});
  EXPECT_FALSE(QFile::exists(CallListUndo::backupPath()));

  s.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(s.content().size(), 2);
  EXPECT_EQ(s.content().record(1).value(CallKeys::number), QVariant(QStringLiteral("555 0901")));
  s.press(Qt::Key_Z, Qt::ControlModifier);

  // What was undone is what is stored.
  s.quit();
  relaunchStore();
  Session again;
  expectSameList(again.content(), daysWork());
}

TEST_F(CallListUndoTest, AfterARelaunchUndoBringsBackTheListFromBeforeTheImport) {
  {
    Session s;
    s.load(newList_);
    s.quit();
  }
  relaunchStore();
  Session s;
  ASSERT_EQ(s.content().size(), 2);
  // An edit after the relaunch is undone first, then the import.
  s.selectRow(1);
  s.press(Qt::Key_Space);
  EXPECT_EQ(s.content().record(1).value(CallKeys::success), QVariant(true));
  s.press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(s.content().record(1).value(CallKeys::success), QVariant(false));
  s.press(Qt::Key_Z, Qt::ControlModifier);
  expectSameList(s.content(), daysWork());
}

TEST_F(CallListUndoTest, ADamagedBackupLeavesTheListAndSaysSo) {
  {
    Session s;
    s.load(newList_);
    s.quit();
  }
  QFile backup(CallListUndo::backupPath());
  ASSERT_TRUE(backup.open(QIODevice::WriteOnly | QIODevice::Truncate));
  backup.write("bplist00 and then nothing");
  backup.close();
  relaunchStore();
  Session s;
  const CallList imported = s.content();
  s.table()->setFocus();
  s.press(Qt::Key_Z, Qt::ControlModifier);
  expectSameList(s.content(), imported);
  EXPECT_TRUE(s.status().startsWith(QStringLiteral("The list from before the last import could not be read")))
      << s.status().toStdString();
  EXPECT_FALSE(s.window->findChild<CallListUndo*>()->undoAction()->isEnabled());
}

TEST_F(CallListUndoTest, EditsUndoOneKeyPressAtATime) {
  Session s;
  s.selectRow(0);
  for (const char c : QByteArray("left a message")) QTest::keyClick(QApplication::focusWidget(), c);
  s.press(Qt::Key_Return);  // the note is stored, row 1 is selected
  s.table()->selectionModel()->select(s.table()->model()->index(2, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  s.press(Qt::Key_Space);  // ticks rows 1 and 2
  ASSERT_EQ(s.content().record(2).value(CallKeys::success), QVariant(true));
  EXPECT_EQ(s.delegate->dataArrayController()->content().record(1).value(CallKeys::success), QVariant(true));

  s.press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(s.content().record(1).value(CallKeys::success), QVariant(false));
  EXPECT_EQ(s.content().record(2).value(CallKeys::success), QVariant(false));
  EXPECT_EQ(s.status(), QStringLiteral("Undone: Success."));
  s.press(Qt::Key_Z, Qt::ControlModifier);
  expectSameList(s.content(), daysWork());
  EXPECT_EQ(s.controller()->selectedContentRows(), QList<int>{0}) << "the row undone is shown";
  s.press(Qt::Key_Z, Qt::ControlModifier);  // nothing left: nothing happens
  expectSameList(s.content(), daysWork());
  s.press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(s.content().record(0).value(CallKeys::note), QVariant(QStringLiteral("left a message")));
  EXPECT_EQ(s.status(), QStringLiteral("Redone: Note."));
}

}  // namespace
