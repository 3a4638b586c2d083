// Entry point. Actions that need no window (--help, --version, --export,
// --import) run on a plain core application, so scripts need no display.
// Otherwise it builds the application, its controller and the main window and
// runs the event loop. SIGTERM and SIGINT end the program the way closing the
// window does, so the list is stored on logout or Ctrl+C too.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <csignal>
#include <cstdio>

#include "app/app_delegate.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/translations.h"

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void quitOnTerminationSignals(QApplication& app) {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
    char byte;
    [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
    app.closeAllWindows();
    app.quit();
  });
  struct sigaction action = {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void describeApplication() {
  QCoreApplication::setApplicationName(QStringLiteral("Telvane List Dialer"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TELVANE_VERSION));
  QCoreApplication::setOrganizationName(QStringLiteral("Telvane"));
  installTranslations();
}

int runCommandLineAction(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  describeApplication();
  AppDelegate::initialize();
  QTextStream out(stdout);
  QTextStream err(stderr);
  return runWithoutWindow(parseCommandLine(QCoreApplication::arguments()), out, err);
}

// The installed theme icon when there is one, else the copy built into the program.
QIcon applicationIcon() {
  QIcon builtIn;
  for (const char* size : {"48", "256"})
    builtIn.addFile(QStringLiteral(":/icons/%1/org.telvane.ListDialer.png").arg(QLatin1String(size)));
  return QIcon::fromTheme(QStringLiteral("org.telvane.ListDialer"), builtIn);
}

}  // namespace

int main(int argc, char** argv) {
  if (runsWithoutWindow(argc, argv)) return runCommandLineAction(argc, argv);

  QApplication app(argc, argv);
  describeApplication();
  const CommandLine command = parseCommandLine(QApplication::arguments());
  if (command.mode != CommandLine::Mode::Window) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runWithoutWindow(command, out, err);
  }
  QApplication::setDesktopFileName(QStringLiteral("org.telvane.ListDialer"));
  QApplication::setWindowIcon(applicationIcon());
  quitOnTerminationSignals(app);

  AppDelegate::initialize();
  AppDelegate delegate;
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(&delegate));
  QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
  delegate.applicationDidFinishLaunching();
  if (!command.file.isEmpty())
    QTimer::singleShot(0, &delegate, [&delegate, path = command.file] { delegate.openFile(path); });
  return QApplication::exec();
}
