// The command line: which arguments need a window, how they parse, and the
// actions without a window carried out on a real preferences store.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <vector>

#include "app/app_session_test.h"
#include "app/translations.h"
#include "testsupport/qt_printers.h"

namespace {

using Mode = CommandLine::Mode;

TEST(CommandLineTest, OnlyWindowSystemOptionsAndFilesNeedAWindow) {
  struct Case {
    std::vector<const char*> arguments;
    bool withoutWindow;
  };
  const Case cases[] = {
      {{}, false},
      {{"calls.txt"}, false},
      {{"-platform", "offscreen", "calls.txt"}, false},
      {{"-platform", "--version"}, false},  // the value of -platform, not an option
      {{"-style=fusion", "--reverse"}, false},
      {{"--", "--export"}, false},
      {{"-"}, false},
      {{"--version"}, true},
      {{"-v"}, true},
      {{"--help"}, true},
      {{"--export", "out.txt"}, true},
      {{"--import=in.txt"}, true},
      {{"calls.txt", "--bogus"}, true},
      {{"-platform", "offscreen", "--export", "out.txt"}, true},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"telvane-list-dialer"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    EXPECT_EQ(runsWithoutWindow(int(argv.size()), argv.data()), c.withoutWindow);
  }
}

TEST(CommandLineTest, Parses) {
  struct Case {
    QStringList arguments;
    Mode mode;
    QString file;
  };
  const Case cases[] = {
      {{}, Mode::Window, {}},
      {{"calls.txt"}, Mode::Window, "calls.txt"},
      {{"--export", "out.txt"}, Mode::Export, "out.txt"},
      {{"--export=-"}, Mode::Export, "-"},
      {{"--import", "in.txt"}, Mode::Import, "in.txt"},
      {{"--version"}, Mode::Version, {}},
      {{"--help"}, Mode::Help, {}},
      {{"a.txt", "b.txt"}, Mode::Invalid, {}},
      {{"--export", "a", "--import", "b"}, Mode::Invalid, {}},
      {{"--export", "a", "extra.txt"}, Mode::Invalid, {}},
      {{"--export", "a", "--export", "b"}, Mode::Invalid, {}},
      {{"--export"}, Mode::Invalid, {}},
      {{"--export="}, Mode::Invalid, {}},
      {{"--bogus"}, Mode::Invalid, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const CommandLine command =
        parseCommandLine(QStringList{QStringLiteral("telvane-list-dialer")} + c.arguments);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.file, c.file);
    EXPECT_EQ(command.message.isEmpty(), c.mode != Mode::Invalid && c.mode != Mode::Help);
  }
  EXPECT_TRUE(
      parseCommandLine({QStringLiteral("x"), QStringLiteral("--help")}).message.contains(u"--export"));
}

// Runs one action without a window and keeps what it printed.
struct ActionResult {
  int code;
  QString out;
  QString err;
};
ActionResult run(const QStringList& arguments) {
  QString out;
  QString err;
  QTextStream outStream(&out);
  QTextStream errStream(&err);
  const int code = runWithoutWindow(
      parseCommandLine(QStringList{QStringLiteral("telvane-list-dialer")} + arguments), outStream, errStream);
  return {code, out, err};
}

class CommandLineActionTest : public testsupport::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    installTranslations(QLocale(QLocale::English));
  }
  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
  }
  static QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QTemporaryDir dir_;
};

TEST_F(CommandLineActionTest, ImportThenExportRoundTripsThroughTheStore) {
  const QString calls = write(QStringLiteral("calls.txt"), "Phone\n555 0100\n+49 30 1234567\n");
  const ActionResult imported = run({QStringLiteral("--import"), calls});
  EXPECT_EQ(imported.code, ExitCode::ok) << imported.err.toStdString();
  EXPECT_EQ(imported.out, QStringLiteral("Stored 2 entries from “%1”.\n").arg(calls));

  testsupport::relaunchStore();  // the next command is a new process
  const QString exported = dir_.filePath(QStringLiteral("export.txt"));
  const ActionResult written = run({QStringLiteral("--export"), exported});
  EXPECT_EQ(written.code, ExitCode::ok) << written.err.toStdString();
  EXPECT_EQ(written.out, QStringLiteral("Exported 2 entries to “%1”.\n").arg(exported));
  EXPECT_EQ(read(exported),
            "index\tnumber\tdate\tsuccess\tnote\n1\t555 0100\t\t0\t\n2\t+49 30 1234567\t\t0\t\n");

  // The export reads back as the same list: importing it changes nothing.
  EXPECT_EQ(run({QStringLiteral("--import"), exported}).code, ExitCode::ok);
  testsupport::relaunchStore();
  const QString again = dir_.filePath(QStringLiteral("again.txt"));
  EXPECT_EQ(run({QStringLiteral("--export"), again}).code, ExitCode::ok);
  EXPECT_EQ(read(again), read(exported));
}

TEST_F(CommandLineActionTest, CountsUseTheirSingularForm) {
  const ActionResult imported =
      run({QStringLiteral("--import"), write(QStringLiteral("one.txt"), "Phone\n555 0100\n")});
  EXPECT_TRUE(imported.out.startsWith(u"Stored 1 entry from")) << imported.out.toStdString();
}

TEST_F(CommandLineActionTest, FailuresLeaveTheStoreAloneAndSayWhy) {
  ASSERT_EQ(run({QStringLiteral("--import"), write(QStringLiteral("calls.txt"), "Phone\n555 0100\n")}).code,
            ExitCode::ok);
  struct Case {
    QStringList arguments;
    int code;
    QString says;
  };
  const Case cases[] = {
      {{"--import", dir_.filePath("missing.txt")}, ExitCode::noInput, "no such file"},
      {{"--import", dir_.path()}, ExitCode::noInput, "folder"},
      {{"--import", write("empty.txt", "")}, ExitCode::dataError, "holds nothing"},
      {{"--export", dir_.filePath("no/such/folder/out.txt")}, ExitCode::cannotCreate, "Could not export"},
      {{"--export", "a", "--import", "b"}, ExitCode::usage, "--help"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.join(u' ').toStdString());
    const ActionResult failed = run(c.arguments);
    EXPECT_EQ(failed.code, c.code);
    EXPECT_TRUE(failed.err.contains(c.says)) << failed.err.toStdString();
    EXPECT_TRUE(failed.out.isEmpty());
  }
  testsupport::relaunchStore();
  const QString exported = dir_.filePath(QStringLiteral("export.txt"));
  ASSERT_EQ(run({QStringLiteral("--export"), exported}).code, ExitCode::ok);
  EXPECT_TRUE(read(exported).contains("555 0100"));
}

TEST_F(CommandLineActionTest, VersionNamesTheProgram) {
  const ActionResult version = run({QStringLiteral("--version")});
  EXPECT_EQ(version.code, ExitCode::ok);
  EXPECT_EQ(version.out, QStringLiteral("telvane-list-dialer " TELVANE_VERSION "\n"));
}

}  // namespace
