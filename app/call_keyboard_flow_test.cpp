// The calling rhythm on the real widgets, by keys only: typing a note on any
// cell, Return after a note, Space, Escape, Dial Next, the row selected after
// a relaunch, and what the status bar says about each dial.
#include "app/call_keyboard_flow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTextLayout>

#include "app/app_session_test.h"
#include "app/telephone_number.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"

namespace {

using testsupport::relaunchStore;

CallList numberedList(int count) {
  CallList list;
  for (int i = 1; i <= count; ++i)
    list.append({{CallKeys::index, qint64(i)},
                 {CallKeys::number, QStringLiteral("555 01%1").arg(i, 2, 10, QLatin1Char('0'))},
                 {CallKeys::success, false},
                 {CallKeys::note, QString()}});
  return list;
}

struct Session : testsupport::AppSession {
  Session() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  QString status() const { return window->statusBar()->currentMessage(); }
  // The content rows of the selection, in table order.
  QList<int> selected() const { return controller()->selectedContentRows(); }
  // Presses keys the way a keyboard does: each goes to the focused widget.
  void type(const QString& text) {
    for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  }
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    QCoreApplication::processEvents();
  }
  QList<int> stamped() const {
    QList<int> rows;
    for (int row = 0; row < content().size(); ++row)
      if (content().record(row).contains(CallKeys::date)) rows << row;
    return rows;
  }
  void selectCell(int row, int column) {
    table()->setFocus();
    table()->selectionModel()->setCurrentIndex(
        table()->model()->index(row, column),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
};

using CallKeyboardFlowTest = testsupport::AppTest;

TEST_F(CallKeyboardFlowTest, TypingOnAnyCellWritesTheNoteAndReturnMovesOnWithoutDialling) {
  Session s;
  s.controller()->setContent(numberedList(10));
  for (const int column : {int(CallListModel::IndexColumn), int(CallListModel::NumberColumn),
                           int(CallListModel::DateColumn), int(CallListModel::SuccessColumn)}) {
    SCOPED_TRACE(column);
    s.selectCell(2, column);
    // "7" would jump to row 7 with a type-ahead search; here it starts the note.
    s.type(QStringLiteral("7 pm callback"));
    EXPECT_EQ(s.selected(), QList<int>{2});
    s.press(Qt::Key_Return);
    EXPECT_EQ(s.content().record(2).value(CallKeys::note), QVariant(QStringLiteral("7 pm callback")));
    EXPECT_EQ(s.selected(), QList<int>{3});
    EXPECT_EQ(s.stamped(), QList<int>{}) << "the Return that ends a note never dials";
    EXPECT_EQ(QApplication::focusWidget(), s.table());
  }
  // The next Return dials the row the note moved to, and only it.
  s.press(Qt::Key_Return);
  EXPECT_EQ(s.stamped(), QList<int>{3});
}

TEST_F(CallKeyboardFlowTest, TheWholeRhythmByKeys) {
  Session s;
  s.controller()->setContent(numberedList(3));
  s.selectCell(0, CallListModel::IndexColumn);
  // Return (dial), Space (success), the note, Return (next row), Return (dial).
  s.press(Qt::Key_Return);
  s.press(Qt::Key_Space);
  s.type(QStringLiteral("Left a message"));
  s.press(Qt::Key_Return);
  s.press(Qt::Key_Return);
  EXPECT_EQ(s.stamped(), (QList<int>{0, 1}));
  EXPECT_EQ(s.content().record(0).value(CallKeys::success), QVariant(true));
  EXPECT_EQ(s.content().record(0).value(CallKeys::note), QVariant(QStringLiteral("Left a message")));
  EXPECT_EQ(s.content().record(1).value(CallKeys::success), QVariant(false));
  EXPECT_EQ(s.selected(), QList<int>{1});
}

TEST_F(CallKeyboardFlowTest, EscapeThrowsTheNoteAwayAndKeepsTheRow) {
  Session s;
  CallList list = numberedList(3);
  list.setValue(1, CallField::Note, QStringLiteral("keep me"));
  s.controller()->setContent(list);
  s.selectCell(1, CallListModel::NumberColumn);
  s.type(QStringLiteral("oops"));
  s.press(Qt::Key_Escape);
  EXPECT_EQ(s.content().record(1).value(CallKeys::note), QVariant(QStringLiteral("keep me")));
  EXPECT_EQ(s.selected(), QList<int>{1});
  EXPECT_EQ(s.stamped(), QList<int>{});
}

TEST_F(CallKeyboardFlowTest, SpaceTicksTheSelectedRowsOrUnticksThemAll) {
  Session s;
  CallList list = numberedList(4);
  list.setValue(3, CallField::Success, true);
  s.controller()->setContent(list);
  auto successes = [&s] {
    QList<bool> ticks;
    for (const QVariantMap& record : s.content()) ticks << record.value(CallKeys::success).toBool();
    return ticks;
  };
  s.selectCell(1, CallListModel::NoteColumn);
  s.table()->selectionModel()->select(s.table()->model()->index(3, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  s.press(Qt::Key_Space);
  EXPECT_EQ(successes(), (QList<bool>{false, true, false, true}));
  s.press(Qt::Key_Space);
  EXPECT_EQ(successes(), (QList<bool>{false, false, false, false}));
  EXPECT_EQ(s.content().record(1).value(CallKeys::note), QVariant(QString())) << "Space is no note";
}

TEST_F(CallKeyboardFlowTest, HomeAndEndGoToTheFirstAndLastEntryAndSelectIt) {
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int from, to;
  } cases[] = {
      {Qt::Key_End, Qt::NoModifier, 2, 8},
      {Qt::Key_End, Qt::ControlModifier, 2, 8},
      {Qt::Key_Home, Qt::NoModifier, 5, 0},
      {Qt::Key_Home, Qt::ControlModifier, 5, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QTest::toString(QKeySequence(int(c.modifiers) | c.key).toString()));
    Session s;
    s.controller()->setContent(numberedList(9));
    s.selectCell(c.from, CallListModel::NumberColumn);
    s.press(c.key, c.modifiers);
    EXPECT_EQ(s.selected(), QList<int>{c.to});
    EXPECT_EQ(s.table()->currentIndex().row(), c.to);
    // What comes next goes to that entry.
    s.type(QStringLiteral("x"));
    s.press(Qt::Key_Return);
    EXPECT_EQ(s.content().record(c.to).value(CallKeys::note), QVariant(QStringLiteral("x")));
    s.press(Qt::Key_Space);
    EXPECT_FALSE(s.content().record(c.from).value(CallKeys::success).toBool());
  }
}

TEST_F(CallKeyboardFlowTest, KeysWithoutASelectionDoNothing) {
  Session s;
  s.controller()->setContent(numberedList(9));
  s.table()->setFocus();
  s.table()->selectionModel()->clear();
  s.type(QStringLiteral("7"));
  s.press(Qt::Key_Space);
  EXPECT_TRUE(s.selected().isEmpty()) << "no type-ahead search selects a row";
  s.press(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(s.stamped(), QList<int>{});
  EXPECT_EQ(s.status(), QStringLiteral("Select an entry to dial."));
}

TEST_F(CallKeyboardFlowTest, ReturnAfterTheLastNoteStaysAndSaysSo) {
  Session s;
  s.controller()->setContent(numberedList(2));
  s.selectCell(1, CallListModel::NumberColumn);
  s.type(QStringLiteral("done"));
  s.press(Qt::Key_Return);
  EXPECT_EQ(s.selected(), QList<int>{1});
  EXPECT_EQ(s.status(), QStringLiteral("That was the last entry."));
  EXPECT_EQ(s.stamped(), QList<int>{});
}

TEST_F(CallKeyboardFlowTest, DialNextSkipsCalledRowsAndRefusedNumbers) {
  Session s;
  CallList list = numberedList(6);
  list.setValue(1, CallField::Date, QDateTime::currentDateTimeUtc().addDays(-1));
  list.setValue(2, CallField::Number, QStringLiteral("call Anna"));
  s.controller()->setContent(list);
  s.selectCell(0, CallListModel::IndexColumn);

  s.press(Qt::Key_N, Qt::ControlModifier);  // the selected row is not called yet: it goes first
  EXPECT_EQ(s.selected(), QList<int>{0});
  EXPECT_EQ(s.stamped(), (QList<int>{0, 1}));
  s.press(Qt::Key_N, Qt::ControlModifier);  // row 1 was called yesterday
  EXPECT_EQ(s.selected(), QList<int>{2});
  EXPECT_EQ(s.stamped(), (QList<int>{0, 1})) << "a refused number is not stamped";
  EXPECT_TRUE(s.status().startsWith(QStringLiteral("Not dialled: “call Anna” is not a telephone number")))
      << s.status().toStdString();
  s.press(Qt::Key_N, Qt::ControlModifier);  // the refused row is not tried again
  EXPECT_EQ(s.selected(), QList<int>{3});
  s.press(Qt::Key_N, Qt::ControlModifier);
  s.press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(s.stamped(), (QList<int>{0, 1, 3, 4, 5}));
  s.press(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(s.selected(), QList<int>{5});
  EXPECT_EQ(s.status(), QStringLiteral("End of the list: 1 entry above has not been called."));

  // The table's order is the order of Dial Next.
  s.controller()->setContent(numberedList(3));
  s.table()->sortByColumn(CallListModel::IndexColumn, Qt::DescendingOrder);
  s.table()->selectionModel()->clear();
  s.window->dialNextAction()->trigger();
  EXPECT_EQ(s.stamped(), QList<int>{2});
}

TEST_F(CallKeyboardFlowTest, StatusBarShowsWhatWentToTheDialer) {
  Session s;
  CallList list = numberedList(2);
  list.setValue(0, CallField::Number, QStringLiteral("+1 (555) 010-0 ext. 7"));
  list.setValue(1, CallField::Number, QStringLiteral("\u202E5550107"));
  s.controller()->setContent(list);
  s.selectCell(0, CallListModel::NumberColumn);
  s.press(Qt::Key_Return);
  EXPECT_EQ(s.status(), QStringLiteral("Dialling +1 (555) 010-0 ext. 7: true \"+1 (555) 010-0 ext. 7\""));
  s.selectCell(1, CallListModel::NumberColumn);
  s.press(Qt::Key_Return);
  EXPECT_EQ(s.status(), QStringLiteral("Dialling [U+202E]5550107: true 5550107"));
}

TEST_F(CallKeyboardFlowTest, ActionsWaitForAList) {
  Session s;
  for (QAction* action : {s.window->dialAction(), s.window->dialNextAction(), s.window->exportAction()})
    EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
  EXPECT_TRUE(s.window->loadAction()->isEnabled());
  s.controller()->setContent(numberedList(1));
  for (QAction* action : {s.window->dialAction(), s.window->dialNextAction(), s.window->exportAction()})
    EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
  EXPECT_TRUE(s.window->dialNextAction()->text().contains(QLatin1String("Dial Next")));
  EXPECT_EQ(s.window->dialNextAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
}

TEST_F(CallKeyboardFlowTest, RelaunchSelectsTheRowLastDialledOrEdited) {
  Tirr_UserDefaults::writeDefault(QVariantList{}, AppDelegate::kDataKey);
  {
    Session s;
    s.controller()->setContent(numberedList(40));
    s.quit();
  }
  relaunchStore();
  {
    Session s;  // first launch with a list: the first row
    EXPECT_EQ(s.selected(), QList<int>{0});
    s.selectCell(33, CallListModel::NumberColumn);
    s.press(Qt::Key_Return);
    s.selectCell(20, CallListModel::NumberColumn);  // looked at, not touched
    s.quit();
  }
  relaunchStore();
  {
    Session s;
    EXPECT_EQ(s.selected(), QList<int>{33});
    EXPECT_EQ(QApplication::focusWidget(), s.table());
    const QRect shown = s.table()->visualRect(s.table()->model()->index(33, 0));
    EXPECT_TRUE(s.table()->viewport()->rect().intersects(shown)) << "scrolled into view";
    // The first Ctrl+D dials it.
    s.press(Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(s.stamped(), QList<int>{33});
    s.selectCell(5, CallListModel::NumberColumn);
    s.type(QStringLiteral("x"));
    s.press(Qt::Key_Return);
    s.quit();
  }
  relaunchStore();
  Session s;
  EXPECT_EQ(s.selected(), QList<int>{5});
}

// Where the cursor stands before each stored character, laid out left to
// right as the table lays out its cells. Inside a run the positions are
// unambiguous; at the ends of a run a position may stand at either edge.
QList<qreal> drawnPositions(const QString& text, const QFont& font) {
  QTextLayout layout(text, font);
  QTextOption leftToRight;
  leftToRight.setTextDirection(Qt::LeftToRight);
  layout.setTextOption(leftToRight);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  QList<qreal> xs;
  for (int i = 0; i < text.size(); ++i) xs << line.cursorToX(i);
  return xs;
}

TEST_F(CallKeyboardFlowTest, NumbersAreDrawnInTheOrderTheyAreDialled) {
  Session s;
  const QString numbers[] = {QStringLiteral("\u202E5550107"), QStringLiteral("555\u200B0107"),
                             QStringLiteral("\u2067555 0107 \u05D0\u05D1\u2069"),
                             QStringLiteral("\u05D0 555 0107")};
  auto* cells = s.table()->itemDelegateForColumn(CallListModel::NumberColumn);
  ASSERT_NE(cells, nullptr);
  for (const QString& number : numbers) {
    SCOPED_TRACE(visibleNumberText(number).toStdString());
    const QString drawn = static_cast<QStyledItemDelegate*>(cells)->displayText(number, QLocale());
    EXPECT_TRUE(drawn.contains(visibleNumberText(number)));
    const QList<qreal> xs = drawnPositions(drawn, s.table()->font());
    for (int i = 3; i < xs.size() - 1; ++i) EXPECT_GT(xs[i], xs[i - 1]) << "character " << i;
  }
  const QList<qreal> bare = drawnPositions(numbers[0], s.table()->font());
  EXPECT_LT(bare[3], bare[2]) << "drawn as stored, the override would reverse the digits";
}

}  // namespace
