#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "app/call_list_io.h"
#include "app/dialer.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"
#include "testsupport/temp_home.h"

namespace {

const QString kDialCommand = QStringLiteral("DialCommand");

QString expectedScript(const QString& escaped) {
  return QStringLiteral("try\n\ttell application \"Telvane\" to dial number \"") + escaped +
         QStringLiteral("\"\nend try");
}

TEST(DialScript, IsBuiltFromTheNumber) {
  const struct {
    QVariant number;
    std::optional<QString> script;
  } cases[] = {
      {QStringLiteral("555 1234"), expectedScript(QStringLiteral("555 1234"))},
      {QStringLiteral("   "), expectedScript(QStringLiteral("   "))},
      {QStringLiteral("say \"hi\" \\o/"), expectedScript(QStringLiteral("say \\\"hi\\\" \\\\o/"))},
      {qint64(5551234), expectedScript(QStringLiteral("5551234"))},
      {555.123f, expectedScript(QStringLiteral("555.123"))},
      {1e15, expectedScript(QStringLiteral("1000000000000000"))},
      {QString(), std::nullopt},
      {QVariant(), std::nullopt},
      {QVariant(true), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number.toString().toStdString());
    EXPECT_EQ(dialScriptFor(c.number), c.script);
  }
}

TelephoneNumber telephone(const QString& shown) {
  const std::optional<TelephoneNumber> number = readTelephoneNumber(shown, nullptr);
  EXPECT_TRUE(number) << shown.toStdString();
  return number.value_or(TelephoneNumber{});
}

TEST(Dialer, CommandTemplateKeepsTheNumberInOneArgument) {
  const struct {
    QString pattern;
    QString number;
    QStringList command;  // program first; empty when refused
  } cases[] = {
      {QStringLiteral("gnome-calls --dial=%n"),
       QStringLiteral("+49 (30) 123-45"),
       {"gnome-calls", "--dial=+493012345"}},
      {QStringLiteral("twinkle --call %n --immediate"),
       QStringLiteral("555 1234 ext. 8"),
       {"twinkle", "--call", "5551234;ext=8", "--immediate"}},
      {QStringLiteral("dialer %N"), QStringLiteral("٥٥٥ 1234"), {"dialer", "555 1234"}},
      {QStringLiteral("\"/opt/my dialer/bin\" --to \"%N\" 100%%"),
       QStringLiteral("*31# 555"),
       {"/opt/my dialer/bin", "--to", "*31# 555", "100%"}},
      {QStringLiteral("dialer --number=%N"), QStringLiteral("-5"), {"dialer", "--number=-5"}},
      {QStringLiteral("dialer %N"), QStringLiteral("-5"), {}},
      {QStringLiteral("dialer %N"), QStringLiteral("--5"), {}},
      {QStringLiteral("%N"), QStringLiteral("555"), {}},
      {QStringLiteral("dial%N --x"), QStringLiteral("555"), {}},
      // Programs that run script text get the number only after the script.
      {QStringLiteral("sh -c \"exec my-dialer \"\"\"$1\"\"\"\" sh %n"),
       QStringLiteral("555 (01)"),
       {"sh", "-c", "exec my-dialer \"$1\"", "sh", "55501"}},
      {QStringLiteral("bash /usr/local/bin/dial.sh %N"),
       QStringLiteral("555 (01)"),
       {"bash", "/usr/local/bin/dial.sh", "555 (01)"}},
      {QStringLiteral("/usr/bin/env LANG=C python3 -c \"import sys; print(sys.argv[1])\" %n"),
       QStringLiteral("555"),
       {"/usr/bin/env", "LANG=C", "python3", "-c", "import sys; print(sys.argv[1])", "555"}},
      {QStringLiteral("sh -c \"my-dialer %n\""), QStringLiteral("555"), {}},
      {QStringLiteral("/bin/bash -lc \"dial %N\" bash"), QStringLiteral("555"), {}},
      {QStringLiteral("dash -c %n"), QStringLiteral("555"), {}},
      {QStringLiteral("zsh %N"), QStringLiteral("555"), {}},
      {QStringLiteral("env sh -c \"dial $0\" %N"),
       QStringLiteral("555"),
       {"env", "sh", "-c", "dial $0", "555"}},
      {QStringLiteral("env FOO=1 bash -c \"dial %N\""), QStringLiteral("555"), {}},
      {QStringLiteral("busybox sh -c \"dial %n\""), QStringLiteral("555"), {}},
      {QStringLiteral("perl -e \"dial(q(%N))\""), QStringLiteral("555"), {}},
      {QStringLiteral("python3 -c \"dial('%n')\""), QStringLiteral("555"), {}},
      {QStringLiteral("shdialer --call %n"), QStringLiteral("555"), {"shdialer", "--call", "555"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.pattern + u' ' + c.number).toStdString());
    QString problem;
    const std::optional<DialCommand> command = dialCommandFor(c.pattern, telephone(c.number), &problem);
    EXPECT_EQ(command ? QStringList(command->program) + command->arguments : QStringList(), c.command);
    EXPECT_EQ(problem.isEmpty(), command.has_value());
  }
}

TEST(Dialer, ShellTemplateRefusalSaysWhatToDoInstead) {
  QString problem;
  EXPECT_FALSE(
      dialCommandFor(QStringLiteral("/bin/sh -c \"dial %n\""), telephone(QStringLiteral("555")), &problem));
  EXPECT_TRUE(problem.contains(QStringLiteral("“/bin/sh -c \"dial %n\"”"))) << problem.toStdString();
  EXPECT_TRUE(problem.contains(QLatin1String("script that sh runs"))) << problem.toStdString();
  EXPECT_TRUE(problem.contains(QStringLiteral("“sh /path/to/dial.sh %n”"))) << problem.toStdString();
}

TEST(Dialer, CommandLineIsShownInTheTemplatesQuoting) {
  const struct {
    DialCommand command;
    QString text;
  } cases[] = {
      {{QStringLiteral("gnome-calls"), {QStringLiteral("--dial=+4930")}},
       QStringLiteral("gnome-calls --dial=+4930")},
      {{QStringLiteral("/opt/my dialer"), {QStringLiteral("555 01"), QStringLiteral("a\tb")}},
       QStringLiteral("\"/opt/my dialer\" \"555 01\" \"a\tb\"")},
      {{QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("dial \"$1\""), QStringLiteral("sh")}},
       QStringLiteral("sh -c \"dial \"\"\"$1\"\"\"\" sh")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(commandLineText(c.command), c.text);
    // What is shown splits back into the same command.
    EXPECT_EQ(QProcess::splitCommand(c.text), QStringList(c.command.program) + c.command.arguments);
  }
}

// Waits for a file the fake dialer writes and answers its content.
QByteArray waitForFile(const QString& path) {
  const QDeadlineTimer deadline(10000);
  while (!QFile::exists(path) && !deadline.hasExpired()) QThread::msleep(10);
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString writeScript(const QString& path, const QByteArray& body) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("#!/bin/sh\n" + body);
  file.setPermissions(file.permissions() | QFile::ExeOwner);
  return path;
}

// A stand-in dialer program: writes each argument followed by a line holding
// only "<end>", then renames the file into place so readers see it whole.
QString writeFakeDialer(const QTemporaryDir& dir) {
  const QString out = dir.filePath(QStringLiteral("argv"));
  return writeScript(dir.filePath(QStringLiteral("fake-dialer")),
                     "for a in \"$@\"; do printf '%s\\n<end>\\n' \"$a\"; done > '" + out.toUtf8() +
                         ".part'\n" + "mv '" + out.toUtf8() + ".part' '" + out.toUtf8() + "'\n");
}

TEST(Dialer, OnlyTelephoneNumbersReachTheDialerInOneArgument) {
  QTemporaryDir dir;
  const QString fake = writeFakeDialer(dir);
  const QString pattern = QString(u'"' + fake + QStringLiteral("\" --number=%N"));
  Tirr_UserDefaults::writeDefault(pattern, kDialCommand);
  const struct {
    QString number;
    QString received;  // empty: refused, the dialer never runs
  } cases[] = {
      {QStringLiteral("+1 (555) 123-4567"), QStringLiteral("--number=+1 (555) 123-4567")},
      {QStringLiteral("\u202E555 0107"), QStringLiteral("--number=555 0107")},
      {QStringLiteral("555 \"1234\""), {}},
      {QStringLiteral("555\\1234\\"), {}},
      {QStringLiteral("555\n1234"), {}},
      {QStringLiteral("-x"), {}},
      {QStringLiteral("; rm -rf /"), {}},
      {QStringLiteral("$(touch pwned) `id` *"), {}},
      {QStringLiteral("📞 +1 555 ☎"), {}},
      {QStringLiteral("a\tb 'c'"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number.toStdString());
    const QString argv = dir.filePath(QStringLiteral("argv"));
    QFile::remove(argv);
    const DialOutcome outcome = runDialScript(*dialScriptFor(c.number));
    EXPECT_EQ(outcome.reached, !c.received.isEmpty()) << outcome.problem.toStdString();
    if (c.received.isEmpty()) {
      EXPECT_FALSE(outcome.problem.isEmpty());
      EXPECT_TRUE(outcome.sent.isEmpty());
      continue;
    }
    EXPECT_EQ(QString::fromUtf8(waitForFile(argv)), c.received + QStringLiteral("\n<end>\n"));
    EXPECT_EQ(outcome.sent, commandLineText({fake, {c.received}}));
  }
  // Refused numbers never started the dialer.
  QThread::msleep(100);
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("argv"))));
  EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("pwned"))));
  Tirr_UserDefaults::removeDefault(kDialCommand);
}

TEST(Dialer, ReportsWhenNoDialerIsReached) {
  QTemporaryDir dir;
  const struct {
    QString command;  // the DialCommand preference; empty for none
    QString script;
  } cases[] = {
      {QStringLiteral("\"") + dir.filePath(QStringLiteral("absent")) + QStringLiteral("\" %n"),
       *dialScriptFor(QStringLiteral("555"))},
      {QStringLiteral("true %N"), *dialScriptFor(QStringLiteral("-5"))},
      {QStringLiteral("true %N"),
       QStringLiteral("try\n\ttell application \"Other\" to dial number \"5\"\nend try")},
      {QStringLiteral("true %N"),
       QStringLiteral("try\n\ttell application \"Telvane\" to dial \"5\"\nend try")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.toStdString());
    Tirr_UserDefaults::writeDefault(c.command, kDialCommand);
    const DialOutcome outcome = runDialScript(c.script);
    EXPECT_FALSE(outcome.reached);
    EXPECT_FALSE(outcome.problem.isEmpty());
  }
  Tirr_UserDefaults::removeDefault(kDialCommand);
}

// Registers a fake tel: handler in the private XDG tree, as a desktop would.
QString registerFakeTelHandler(const QTemporaryDir& dir) {
  const QString out = dir.filePath(QStringLiteral("uri"));
  const QString handler = writeScript(dir.filePath(QStringLiteral("tel-handler")),
                                      "printf '%s' \"$1\" > '" + out.toUtf8() + ".part' && mv '" +
                                          out.toUtf8() + ".part' '" + out.toUtf8() + "'\n");
  const QString config = testsupport::TempHome::path() + QStringLiteral("/.config");
  const QString applications = testsupport::TempHome::path() + QStringLiteral("/.local/share/applications");
  QDir().mkpath(applications);
  QFile mimeapps(config + QStringLiteral("/mimeapps.list"));
  EXPECT_TRUE(mimeapps.open(QIODevice::WriteOnly));
  mimeapps.write("[Default Applications]\nx-scheme-handler/tel=fake-dialer.desktop\n");
  QFile desktop(applications + QStringLiteral("/fake-dialer.desktop"));
  EXPECT_TRUE(desktop.open(QIODevice::WriteOnly));
  desktop.write("[Desktop Entry]\nType=Application\nName=Fake dialer\nExec=" + handler.toUtf8() +
                " %u\nMimeType=x-scheme-handler/tel;\n");
  return out;
}

TEST(Dialer, KnowsWhetherTheDesktopHasATelHandler) {
  if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) GTEST_SKIP() << "needs xdg-utils";
  const QString mimeapps = testsupport::TempHome::path() + QStringLiteral("/.config/mimeapps.list");
  QFile::remove(mimeapps);
  EXPECT_FALSE(telHandlerRegistered());
  QTemporaryDir dir;
  registerFakeTelHandler(dir);
  EXPECT_TRUE(telHandlerRegistered());
  QFile::remove(mimeapps);
}

// The default road: a tel: URI through QDesktopServices and xdg-open to the
// desktop's handler. Qt opens URLs only on a real platform (xcb), so on the
// offscreen platform the test runs itself again under xvfb-run.
TEST(Dialer, TelUriReachesTheDesktopHandler) {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) GTEST_SKIP() << "needs an X display: install xvfb (xvfb-run) or run under xcb";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(xvfbRun, {QStringLiteral("-a"), QCoreApplication::applicationFilePath(),
                          QStringLiteral("--gtest_filter=Dialer.TelUriReachesTheDesktopHandler")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAll());
    if (!output.contains(QLatin1String("[==========]")))
      GTEST_SKIP() << "xvfb-run could not start an X server: " << output.toStdString();
    EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test"))) << output.toStdString();
    return;
  }
  QTemporaryDir dir;
  const QString out = registerFakeTelHandler(dir);
  Tirr_UserDefaults::removeDefault(kDialCommand);
  const DialOutcome outcome = runDialScript(*dialScriptFor(QStringLiteral("+1 (555) 123-4567 #9")));
  EXPECT_TRUE(outcome.reached) << outcome.problem.toStdString();
  EXPECT_EQ(outcome.sent, QStringLiteral("tel:+1(555)123-4567%239"));
  EXPECT_EQ(waitForFile(out), QByteArray("tel:+1(555)123-4567%239"));
}

}  // namespace
