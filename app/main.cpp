// Entry point. Actions that need no window (--help, --version, --export,
// --import) run on a plain core application, so scripts need no display.
// Otherwise it builds the application, its controller and the main window and
// runs the event loop. SIGTERM and SIGINT end the program the way closing the
// window does, so the list is stored on logout or Ctrl+C too. Only one
// instance runs per preferences folder: a later launch hands its file to it.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <cstdio>

#include "app/app_delegate.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/translations.h"
#include "prefs/user_defaults.h"

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
  const CommandLine command = parseCommandLine(QCoreApplication::arguments());
  if (command.mode != CommandLine::Mode::Import) return runWithoutWindow(command, out, err);
  // Replacing the stored list under a running window would be undone by the
  // window's next store; holding the instance lock also keeps a window from
  // starting meanwhile.
  SingleInstance instance(Tirr_UserDefaults::preferencesFolder());
  if (!instance.acquire()) {
    err << QCoreApplication::translate(
               "ui",
               "Telvane List Dialer is running: load the file in its window, or quit it "
               "and try again.")
        << Qt::endl;
    return ExitCode::busy;
  }
  return runWithoutWindow(command, out, err);
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
  // A file-size limit must make a write fail (and be reported), not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
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

  const QStringList files = command.file.isEmpty() ? QStringList() : QStringList{command.file};
  SingleInstance instance(Tirr_UserDefaults::preferencesFolder());
  if (!instance.acquire()) {
    if (instance.handOver(files)) return 0;
    // Unless the running instance has quit in the meantime, it hangs.
    if (!instance.acquire()) {
      std::fprintf(stderr, "Telvane List Dialer is already running (lock %s) but does not answer.\n",
                   qPrintable(instance.lockPath()));
      return 1;
    }
  }

  AppDelegate::initialize();
  AppDelegate delegate;
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(&delegate));
  QApplication::setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
  delegate.applicationDidFinishLaunching();
  QObject::connect(&instance, &SingleInstance::activationRequested, &delegate,
                   [&delegate, &window](const QStringList& named) {
                     bringToFront(window.get());
                     // each load replaces the list: the last wins
                     if (!named.isEmpty()) delegate.openFile(named.last());
                   });
  if (!command.file.isEmpty()) delegate.openFile(command.file);
  return QApplication::exec();
}
