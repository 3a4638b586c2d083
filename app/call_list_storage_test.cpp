// Storing the call list on the real widgets: failures told once and retried,
// quitting asks while the list is not stored, problems with the stored list
// told at launch; and the writer's own copy of the list.
#include "app/call_list_storage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>

#include "app/app_session_test.h"
#include "app/call_list_mirror.h"
#include "prefs/property_list.h"
#include "prefs/user_defaults.h"
#include "testsupport/file_size_limit.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using Session = testsupport::AppSession;
using CallListStorageTest = testsupport::AppTest;

QVariantMap call(qint64 index, const QString& note = {}) {
  return {{CallKeys::index, index},
          {CallKeys::number, QStringLiteral("555 %1").arg(index, 4, 10, QLatin1Char('0'))},
          {CallKeys::success, false},
          {CallKeys::note, note}};
}

CallList calls(int count) {
  CallList list;
  for (int i = 1; i <= count; ++i) list.append(call(i, QStringLiteral("a note long enough to fill a disk")));
  return list;
}

QString storedFile() {
  return Tirr_UserDefaults::preferencesFolder() + u'/' + Tirr_UserDefaults::applicationDomain() +
         QStringLiteral(".plist");
}

QVariantList storedList() {
  QFile file(storedFile());
  if (!file.open(QIODevice::ReadOnly)) return {};
  return plist::decode(file.readAll()).value_or(QVariant()).toMap().value(AppDelegate::kDataKey).toList();
}

QMessageBox* box(const Session& s, const char* name) {
  return s.window->findChild<QMessageBox*>(QLatin1String(name));
}

// Ticks the success box of a row, as a click in the table does.
void tick(Session& s, int row) {
  QAbstractItemModel* shown = s.table()->model();
  ASSERT_TRUE(
      shown->setData(shown->index(row, CallListModel::SuccessColumn), Qt::Checked, Qt::CheckStateRole));
}

TEST_F(CallListStorageTest, AFullDiskIsToldOnceMarkedAndRetriedUntilItWorks) {
  Session s;
  s.controller()->setContent(calls(3));
  tick(s, 0);
  QTest::qWait(AppDelegate::kAutosaveDelayMs + 200);
  ASSERT_TRUE(Tirr_UserDefaults::waitForPendingSaves());
  const QVariantList before = storedList();
  ASSERT_EQ(before.size(), 3);

  testsupport::LogCapture log;
  {
    testsupport::FileSizeLimit full(4096);
    s.controller()->setContent(calls(2000));
    tick(s, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return box(s, "saveFailedBox") != nullptr; }, 5000));
    QMessageBox* told = box(s, "saveFailedBox");
    EXPECT_TRUE(told->text().contains(Tirr_UserDefaults::preferencesFolder())) << told->text().toStdString();
    EXPECT_TRUE(told->text().contains(QLatin1String("File too large"))) << told->text().toStdString();
    told->accept();
    // Retries fail as well, and are not told again.
    QTest::qWait(3 * AppDelegate::kAutosaveDelayMs);
    EXPECT_EQ(box(s, "saveFailedBox"), nullptr);
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().value(0).startsWith("error: cannot write preferences file " + storedFile()));
    auto* mark = s.window->statusBar()->findChild<QLabel*>(CallListStorage::kMarkName);
    ASSERT_NE(mark, nullptr);
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(storedList(), before);  // the old file is intact
  }
  // Room again: the next retry stores the list and the mark goes.
  ASSERT_TRUE(QTest::qWaitFor([] { return storedList().size() == 2000; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return s.window->statusBar()->findChild<QLabel*>(CallListStorage::kMarkName) == nullptr; }));
  EXPECT_EQ(storedList()[1].toMap().value(CallKeys::success), QVariant(true));
}

TEST_F(CallListStorageTest, QuittingWhileNotStoredAsksAndOffersTheExport) {
  Session s;
  testsupport::FileSizeLimit full(2048);
  s.controller()->setContent(calls(500));
  tick(s, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return box(s, "saveFailedBox") != nullptr; }, 5000));
  box(s, "saveFailedBox")->accept();

  const struct {
    const char* choice;
    bool quits;
    bool exports;
  } cases[] = {{"Cancel", false, false}, {"Export…", false, true}, {"Quit Without Saving", true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    EXPECT_FALSE(s.window->close());
    QMessageBox* ask = box(s, "quitUnsavedBox");
    ASSERT_NE(ask, nullptr);
    QAbstractButton* button = nullptr;
    for (QAbstractButton* b : ask->buttons())
      if (b->text() == QString::fromUtf8(c.choice)) button = b;
    ASSERT_NE(button, nullptr);
    button->click();
    QTest::qWait(50);
    EXPECT_EQ(s.window->isVisible(), !c.quits);
    auto* dialog = s.window->findChild<QFileDialog*>(QStringLiteral("exportDialog"));
    EXPECT_EQ(dialog != nullptr, c.exports);
    if (dialog) dialog->reject();
    QTest::qWait(10);
  }
}

TEST_F(CallListStorageTest, QuittingWaitsForTheListToBeOnDisk) {
  Session s;
  s.controller()->setContent(calls(3000));
  tick(s, 2999);
  s.delegate->applicationWillTerminate();  // no autosave has run yet
  const QVariantList stored = storedList();
  ASSERT_EQ(stored.size(), 3000);
  EXPECT_EQ(stored.last().toMap().value(CallKeys::success), QVariant(true));
}

TEST_F(CallListStorageTest, AStoredListThatCannotBeReadIsToldAtLaunch) {
  const struct {
    const char* name;
    QByteArray bytes;  // the stored file; a folder stands in its place when empty
    const char* told;
  } cases[] = {
      {"damaged", "bplist00 damaged", "was kept as"},
      {"not a file", {}, "cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Tirr_UserDefaults::resetDefaults();
    QDir(Tirr_UserDefaults::preferencesFolder()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(Tirr_UserDefaults::preferencesFolder()));
    if (c.bytes.isEmpty()) {
      ASSERT_TRUE(QDir().mkpath(storedFile()));
    } else {
      QFile file(storedFile());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.bytes);
    }
    testsupport::relaunchStore();
    testsupport::LogCapture log;
    Session s;
    QMessageBox* told = box(s, "launchProblemBox");
    ASSERT_NE(told, nullptr);
    EXPECT_TRUE(told->text().contains(storedFile())) << told->text().toStdString();
    EXPECT_TRUE((told->text() + told->informativeText()).contains(QLatin1String(c.told)));
    EXPECT_NE(s.window->statusBar()->currentMessage(), QStringLiteral("Ready"));
    told->accept();
    // Only a file that is still there makes storing impossible; it is not told twice.
    const bool unreadable = c.bytes.isEmpty();
    EXPECT_EQ(s.window->statusBar()->findChild<QLabel*>(CallListStorage::kMarkName) != nullptr, unreadable);
    s.window->setGeometry(s.window->geometry().translated(5, 5));
    QTest::qWait(AppDelegate::kAutosaveDelayMs + 200);
    EXPECT_EQ(box(s, "saveFailedBox"), nullptr);
    s.quit();
    if (c.bytes.isEmpty()) {
      EXPECT_TRUE(QFileInfo(storedFile()).isDir());  // not written over
    }
  }
}

TEST(CallListMirror, GivesTheStoredFormOfTheNewestListAndKeepsItWhileUnchanged) {
  CallListMirror mirror;
  CallList window = {call(1), call(2), call(3)};
  mirror.replace(window);
  const std::optional<QVariant> first = mirror.storedForm();
  ASSERT_TRUE(first);
  EXPECT_EQ(plist::recordTableOf(*mirror.storedForm()), plist::recordTableOf(*first));  // not made again

  // The window's list changes apart from the one told: the writer sees a
  // change only once it is told.
  window.setValue(0, CallField::Note, QStringLiteral("first"));
  EXPECT_TRUE(
      plist::sameValue(plist::materialized(*mirror.storedForm()), QVariantList{call(1), call(2), call(3)}));
  mirror.replace(window);
  QVariantList expected;
  for (const QVariantMap& record : window) expected.append(record);
  EXPECT_TRUE(plist::sameValue(plist::materialized(*mirror.storedForm()), expected));
  // A stored form handed out earlier stays as it was.
  EXPECT_TRUE(plist::sameValue(plist::materialized(*first), QVariantList{call(1), call(2), call(3)}));
}

}  // namespace
