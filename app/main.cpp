// Entry point: builds the application, its controller and the main window,
// and runs the event loop. SIGTERM and SIGINT end the program the way closing
// the window does, so the list is stored on logout or Ctrl+C too. Only one
// instance runs per preferences folder: a later launch hands its files to it.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "app/app_delegate.h"
#include "app/main_window.h"
#include "app/single_instance.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Telvane List Dialer"));
  QApplication::setOrganizationName(QStringLiteral("Telvane"));
  QApplication::setDesktopFileName(QStringLiteral("org.telvane.ListDialer"));
  quitOnTerminationSignals(app);
  // A file-size limit must make a write fail (and be reported), not end the program.
  std::signal(SIGXFSZ, SIG_IGN);

  QCommandLineParser options;
  options.addHelpOption();
  options.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A call list to load."));
  options.process(app);
  const QStringList files = options.positionalArguments();
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
  const auto open = [&delegate, &window](const QStringList& named) {
    bringToFront(window.get());
    if (!named.isEmpty()) delegate.openFile(named.last());  // each load replaces the list: the last wins
  };
  QObject::connect(&instance, &SingleInstance::activationRequested, &delegate, open);
  if (!files.isEmpty()) delegate.openFile(files.last());
  return QApplication::exec();
}
