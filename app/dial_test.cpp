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

TEST(Dialer, TelUriKeepsWhatRfc3966Allows) {
  const struct {
    QString number;
    std::optional<QString> uri;
  } cases[] = {
      {QStringLiteral("555 1234"), QStringLiteral("tel:5551234")},
      {QStringLiteral(" +1 (555) 123-4567"), QStringLiteral("tel:+1(555)123-4567")},
      {QStringLiteral("555.123.4567"), QStringLiteral("tel:555.123.4567")},
      {QStringLiteral("*31#555"), QStringLiteral("tel:*31%23555")},
      {QStringLiteral("1+2 ext. 5"), QStringLiteral("tel:12.5")},
      {QStringLiteral("0800-CALL-NOW"), QStringLiteral("tel:0800--")},
      {QStringLiteral("call me"), std::nullopt},
      {QStringLiteral("+"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number.toStdString());
    const std::optional<QUrl> uri = telUriFor(c.number);
    EXPECT_EQ(uri ? std::optional(uri->toString(QUrl::FullyEncoded)) : std::nullopt, c.uri);
  }
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
       QStringLiteral("555 1234"),
       {"twinkle", "--call", "5551234", "--immediate"}},
      {QStringLiteral("dialer %N"), QStringLiteral("555 1234; rm -rf /"), {"dialer", "555 1234; rm -rf /"}},
      {QStringLiteral("\"/opt/my dialer/bin\" --to \"%N\" 100%%"),
       QStringLiteral("$(id)"),
       {"/opt/my dialer/bin", "--to", "$(id)", "100%"}},
      {QStringLiteral("dialer --number=%N"), QStringLiteral("-x"), {"dialer", "--number=-x"}},
      {QStringLiteral("dialer %N"), QStringLiteral("-x"), {}},
      {QStringLiteral("dialer %N"), QStringLiteral("--help"), {}},
      {QStringLiteral("dialer %n"), QStringLiteral("no digits"), {}},
      {QStringLiteral("%N"), QStringLiteral("555"), {}},
      {QStringLiteral("dial%N --x"), QStringLiteral("555"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.pattern + u' ' + c.number).toStdString());
    QString problem;
    const std::optional<DialCommand> command = dialCommandFor(c.pattern, c.number, &problem);
    EXPECT_EQ(command ? QStringList(command->program) + command->arguments : QStringList(), c.command);
    EXPECT_EQ(problem.isEmpty(), command.has_value());
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

TEST(Dialer, HostileNumbersReachTheDialerUnchangedAndUnsplit) {
  QTemporaryDir dir;
  const QString fake = writeFakeDialer(dir);
  Tirr_UserDefaults::writeDefault(QString(u'"' + fake + QStringLiteral("\" --number=%N")), kDialCommand);
  const QString numbers[] = {
      QStringLiteral("555 \"1234\""), QStringLiteral("555\\1234\\"), QStringLiteral("555\n1234"),
      QStringLiteral("-x"),           QStringLiteral("; rm -rf /"),  QStringLiteral("$(touch pwned) `id` *"),
      QStringLiteral("📞 +1 555 ☎"),   QStringLiteral("a\tb 'c'"),
  };
  for (const QString& number : numbers) {
    SCOPED_TRACE(number.toStdString());
    QFile::remove(dir.filePath(QStringLiteral("argv")));
    const DialOutcome outcome = runDialScript(*dialScriptFor(number));
    EXPECT_TRUE(outcome.reached) << outcome.problem.toStdString();
    EXPECT_EQ(QString::fromUtf8(waitForFile(dir.filePath(QStringLiteral("argv")))),
              QStringLiteral("--number=") + number + QStringLiteral("\n<end>\n"));
  }
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
  EXPECT_EQ(waitForFile(out), QByteArray("tel:+1(555)123-4567%239"));
}

}  // namespace
