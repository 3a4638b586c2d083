// The user's three actions end to end on the real widgets: load through the
// file dialog, sort, dial from a selection of two, edit, export, quit and
// relaunch; and what the user is told when a load or an export fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/app_session_test.h"
#include "prefs/user_defaults.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using testsupport::relaunchStore;

// A run of the program whose file dialogs the test answers.
struct Session : testsupport::AppSession {
  QString status() const { return window->statusBar()->currentMessage(); }

  // Runs an action whose file dialog answers with `path` (or is cancelled).
  void chooseInDialog(QAction* action, const char* dialogName, const QString& path, bool accept = true) {
    action->trigger();
    auto* dialog = window->findChild<QFileDialog*>(QLatin1String(dialogName));
    ASSERT_NE(dialog, nullptr);
    if (!accept) {
      dialog->reject();
    } else {
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the choice like the OK button
    }
    QCoreApplication::processEvents();
  }
};

class UserActionsTest : public testsupport::AppTest {
 protected:
  QString writeFile(const char* name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QLatin1String(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }

  QTemporaryDir dir_;
};

QStringList column(const QTableView* table, int column) {
  QStringList texts;
  for (int row = 0; row < table->model()->rowCount(); ++row)
    texts << table->model()->index(row, column).data().toString();
  return texts;
}

TEST_F(UserActionsTest, LoadSortDialEditExportQuitAndRelaunch) {
  const QString calls = writeFile("calls.txt",
                                  "index\tnumber\tdate\tsuccess\tnote\n"
                                  "1\t555-0100\t\t0\tfirst\n"
                                  "2\t0800123456\t\tyes\tsaid \"hi\", call again\n"
                                  "3\t+49 30 123\t\t0\tdritte Nummer\n");
  const QString exported = dir_.filePath(QStringLiteral("log.txt"));
  {
    Session s;
    s.chooseInDialog(s.window->loadAction(), "loadDialog", calls);
    ASSERT_EQ(s.content().size(), 3);
    EXPECT_EQ(s.content().record(1).value(CallKeys::number), QVariant(QStringLiteral("0800123456")));
    EXPECT_EQ(s.content().record(1).value(CallKeys::success), QVariant(true));
    EXPECT_EQ(s.status(), QStringLiteral("Loaded 3 entries from “calls.txt”."));
    EXPECT_EQ(s.delegate->dataArrayController()->selectedContentRows(), QList<int>{0});
    EXPECT_EQ(Tirr_UserDefaults::readDefault(AppDelegate::kLastDirectoryKey).value_or(QVariant()),
              QVariant(dir_.path()));

    s.table()->sortByColumn(CallListModel::NumberColumn, Qt::AscendingOrder);
    EXPECT_EQ(column(s.table(), CallListModel::NumberColumn),
              (QStringList{QStringLiteral("+49 30 123"), QStringLiteral("555-0100"),
                           QStringLiteral("0800123456")}));

    // Two rows selected: the lower one in the table is dialled and stamped.
    QItemSelectionModel* selection = s.table()->selectionModel();
    selection->clearSelection();
    selection->select(s.table()->model()->index(2, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(s.table()->model()->index(0, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    s.window->dialAction()->trigger();
    EXPECT_FALSE(s.content().record(0).contains(CallKeys::date));
    EXPECT_FALSE(s.content().record(2).contains(CallKeys::date));
    ASSERT_TRUE(s.content().record(1).contains(CallKeys::date));
    EXPECT_GE(s.content().record(1).value(CallKeys::date).toDateTime(), before);
    EXPECT_EQ(s.status(), QStringLiteral("Dialling 0800123456: true 0800123456"));

    // Tick success and rewrite a note through the table.
    QAbstractItemModel* shown = s.table()->model();
    EXPECT_TRUE(
        shown->setData(shown->index(0, CallListModel::SuccessColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(shown->setData(shown->index(1, CallListModel::NoteColumn), QStringLiteral("call after 3"),
                               Qt::EditRole));
    EXPECT_EQ(s.content().record(2).value(CallKeys::success), QVariant(true));
    EXPECT_EQ(s.content().record(0).value(CallKeys::note), QVariant(QStringLiteral("call after 3")));

    s.chooseInDialog(s.window->exportAction(), "exportDialog", exported);
    EXPECT_EQ(s.status(), QStringLiteral("Exported 3 entries to “log.txt”."));
    s.quit();
  }

  QFile log(exported);
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = log.readAll().split('\n');
  ASSERT_EQ(lines.size(), 5);  // header, three records in content order, and the final line feed
  EXPECT_EQ(lines[0], "index\tnumber\tdate\tsuccess\tnote");
  EXPECT_EQ(lines[1], "1\t555-0100\t\t0\tcall after 3");
  EXPECT_TRUE(lines[2].startsWith("2\t0800123456\t")) << lines[2].toStdString();
  EXPECT_TRUE(lines[2].endsWith("\t1\tsaid \"hi\", call again")) << lines[2].toStdString();
  EXPECT_EQ(lines[3], "3\t+49 30 123\t\t1\tdritte Nummer");
  EXPECT_EQ(lines[4], "");

  relaunchStore();
  Session again;
  ASSERT_EQ(again.content().size(), 3);
  EXPECT_EQ(again.content().record(0).value(CallKeys::note), QVariant(QStringLiteral("call after 3")));
  EXPECT_TRUE(again.content().record(1).contains(CallKeys::date));
  EXPECT_EQ(again.content().record(2).value(CallKeys::success), QVariant(true));
  EXPECT_EQ(column(again.table(), CallListModel::NumberColumn).first(), QStringLiteral("+49 30 123"));

  // The exported log loads back as the same list.
  const CallList before = again.content();
  again.chooseInDialog(again.window->loadAction(), "loadDialog", exported);
  ASSERT_EQ(again.content().size(), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    for (const QString* key : {&CallKeys::index, &CallKeys::number, &CallKeys::success, &CallKeys::note})
      EXPECT_EQ(again.content().record(i).value(*key), before.record(i).value(*key)) << key->toStdString();
  }
  EXPECT_EQ(again.content().record(1).value(CallKeys::date).toDateTime().toSecsSinceEpoch(),
            before.record(1).value(CallKeys::date).toDateTime().toSecsSinceEpoch());
}

TEST_F(UserActionsTest, FailedOrEmptyLoadsLeaveTheListAndSayWhy) {
  Session s;
  const QString good = writeFile("good.txt", "Phone\n555 1234\n");
  s.chooseInDialog(s.window->loadAction(), "loadDialog", good);
  ASSERT_EQ(s.content().size(), 1);

  testsupport::LogCapture log;
  s.chooseInDialog(s.window->loadAction(), "loadDialog", writeFile("bad.txt", "number,note\n555,x\n"));
  EXPECT_EQ(s.content().size(), 1);
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_TRUE(log.lines()[0].startsWith(QStringLiteral("error: "))) << log.lines()[0].toStdString();
  EXPECT_TRUE(s.status().startsWith(QStringLiteral("Could not load “bad.txt”: ")))
      << s.status().toStdString();

  s.chooseInDialog(s.window->loadAction(), "loadDialog", writeFile("header.txt", "# calls\nnumber\n"));
  EXPECT_EQ(s.content().size(), 1);
  EXPECT_EQ(s.status(),
            QStringLiteral("Nothing loaded from “header.txt”: it has a header line but no entries."));

  // A named pipe would block the open for ever: it is refused before opening.
  const QString pipe = dir_.filePath(QStringLiteral("pipe.txt"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  s.chooseInDialog(s.window->loadAction(), "loadDialog", pipe);
  EXPECT_EQ(s.content().size(), 1);
  EXPECT_EQ(s.status(),
            QStringLiteral("Could not load “pipe.txt”: it is a named pipe (FIFO), not a regular file."));

  s.chooseInDialog(s.window->loadAction(), "loadDialog", good, /*accept=*/false);
  EXPECT_EQ(s.content().size(), 1);
}

// Spreadsheets save "Unicode text" as UTF-16; the dialog offers .csv and .tsv
// files beside .txt, and the status bar names the encoding it read.
TEST_F(UserActionsTest, LoadsASpreadsheetsUnicodeText) {
  Session s;
  s.window->loadAction()->trigger();
  auto* dialog = s.window->findChild<QFileDialog*>(QStringLiteral("loadDialog"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->nameFilters().first(), QStringLiteral("Call lists (*.txt *.csv *.tsv)"));
  dialog->reject();
  QCoreApplication::processEvents();

  QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
  const QByteArray bytes = encoder(QStringLiteral("Telefon\r\n030 1234\r\n+49 89 555\r\n"));
  s.chooseInDialog(s.window->loadAction(), "loadDialog", writeFile("calls.tsv", bytes));
  ASSERT_EQ(s.content().size(), 2);
  EXPECT_EQ(s.content().record(1).value(CallKeys::number), QVariant(QStringLiteral("+49 89 555")));
  EXPECT_EQ(s.status(), QStringLiteral("Loaded 2 entries from “calls.tsv”. Read as UTF-16LE."));
}

// A path typed into the dialog is accepted by Return while the name
// completer's popup is still open; the popup holds the keyboard and the
// pointer until it closes, so a load started right then would swallow
// whatever the user pressed while a large file was read.
TEST_F(UserActionsTest, TypedPathIsLoadedOnlyOnceTheCompleterIsClosed) {
  Session s;
  const QString path = writeFile("calls.txt", "Phone\n555 1234\n555 5678\n");
  s.window->loadAction()->trigger();
  auto* dialog = s.window->findChild<QFileDialog*>(QStringLiteral("loadDialog"));
  ASSERT_NE(dialog, nullptr);
  dialog->setDirectory(dir_.path());
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  ASSERT_NE(name->completer(), nullptr);
  // The popup goes with the dialog, which deletes itself once closed.
  QPointer<QAbstractItemView> popup = name->completer()->popup();
  // The dialog reads the folder in the background: type until it offers the file.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    name->clear();
    QTest::keyClicks(name, QStringLiteral("cal"));
    return popup->isVisible();
  }));

  std::optional<bool> popupOpenAtLoad;
  QObject::connect(
      s.window->arrayController()->model(), &QAbstractItemModel::modelReset, s.window.get(),
      [&] { popupOpenAtLoad = (popup && popup->isVisible()) || QApplication::activePopupWidget(); });
  name->setText(path);
  QTest::keyClick(popup, Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return s.content().size() == 2; }));
  ASSERT_TRUE(popupOpenAtLoad.has_value());
  EXPECT_FALSE(*popupOpenAtLoad);
  EXPECT_EQ(s.status(), QStringLiteral("Loaded 2 entries from “calls.txt”."));
}

TEST_F(UserActionsTest, FailedExportIsReportedAndWritesNothing) {
  Session s;
  s.chooseInDialog(s.window->loadAction(), "loadDialog", writeFile("calls.txt", "Phone\n555 1234\n"));
  const QString target = dir_.filePath(QStringLiteral("gone/log.txt"));
  s.chooseInDialog(s.window->exportAction(), "exportDialog", target);
  auto* box = s.window->findChild<QMessageBox*>(QStringLiteral("exportFailedBox"));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->text().contains(target)) << box->text().toStdString();
  EXPECT_FALSE(box->informativeText().isEmpty());
  EXPECT_FALSE(QFile::exists(target));
  box->accept();
}

}  // namespace
