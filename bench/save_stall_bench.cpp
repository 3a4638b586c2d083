// How long the event loop stalls while the user works on a large call list
// that is stored after every change, and how long quitting takes.
//
//   save_stall_bench N [--foreground]
//
// Opens the real window with N records, then for about ten seconds ticks
// success boxes and types notes with the keyboard (a step every 100 ms) and
// moves the window now and then. A 2 ms timer measures every gap in the
// event loop. --foreground stores on the main thread, as before the
// background writer, for comparison. Prints one line of figures; with
// SAVE_STALL_TRACE set, every stall over 50 ms as well.
// Point XDG_CONFIG_HOME at a scratch directory; bench/save_stall_bench.sh does.
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "prefs/save_events.h"
#include "prefs/user_defaults.h"

namespace {

CallList manyCalls(int count) {
  QList<QVariantMap> records;
  records.reserve(count);
  const QDateTime first(QDate(2026, 2, 2), QTime(8, 30), Qt::UTC);
  for (int i = 0; i < count; ++i) {
    QVariantMap record{{CallKeys::index, qint64(i + 1)},
                       {CallKeys::number, QStringLiteral("+1 555 %1").arg(i, 7, 10, QLatin1Char('0'))},
                       {CallKeys::success, i % 4 == 0},
                       {CallKeys::note, i % 3 ? QStringLiteral("call back after lunch") : QString()}};
    if (i % 3 == 0) record.insert(CallKeys::date, first.addSecs(qint64(i) * 11));
    records.append(std::move(record));
  }
  return CallList::fromRecords(records);
}

// Records the gaps between the turns of the event loop.
class StallMonitor : public QObject {
 public:
  StallMonitor() {
    timer_.setInterval(2);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
      gaps_.push_back(clock_.nsecsElapsed() / 1e6);
      if (trace_ && gaps_.back() > 50) std::fprintf(stderr, "stall %.0f ms after %s\n", gaps_.back(), trace_);
      clock_.restart();
    });
  }
  void start() {
    gaps_.clear();
    clock_.start();
    timer_.start();
  }
  void stop() { timer_.stop(); }
  // With SAVE_STALL_TRACE set, each stall is printed with the last step taken.
  void traceStep(const char* step) {
    if (qEnvironmentVariableIsSet("SAVE_STALL_TRACE")) trace_ = step;
  }
  [[nodiscard]] double worst() const {
    return gaps_.empty() ? 0 : *std::max_element(gaps_.begin(), gaps_.end());
  }
  [[nodiscard]] long over(double ms) const {
    return long(std::count_if(gaps_.begin(), gaps_.end(), [ms](double g) { return g > ms; }));
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  std::vector<double> gaps_;
  const char* trace_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const bool foreground = argc > 2 && QByteArray(argv[2]) == "--foreground";

  AppDelegate::initialize();
  AppDelegate delegate;
  if (foreground) Tirr_UserDefaults::setSavesInBackground(false);
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(&delegate));
  delegate.applicationDidFinishLaunching();
  if (!QTest::qWaitForWindowExposed(window.get()) ||
      !QTest::qWaitFor([&] { return delegate.callListRestored(); }))
    return 1;
  delegate.dataArrayController()->setContent(manyCalls(count));
  QTableView* table = window->table();
  table->setFocus();
  QTest::qWait(2000);  // a person reads the list before changing it

  int writes = 0;
  QObject::connect(DefaultsSaveEvents::instance(), &DefaultsSaveEvents::saveFinished,
                   [&writes](const QString&, const QString& error) { writes += error.isEmpty(); });

  StallMonitor monitor;
  monitor.start();
  QAbstractItemModel* shown = table->model();
  for (int step = 0; step < 100; ++step) {
    const int row = (step * 7) % 40;
    monitor.traceStep(step % 2 ? "a note" : "a tick");
    QElapsedTimer stepClock;
    stepClock.start();
    if (step % 2 == 0) {
      table->setCurrentIndex(shown->index(row, CallListModel::SuccessColumn));
      QTest::keyClick(table, Qt::Key_Space);
    } else {
      table->setCurrentIndex(shown->index(row, CallListModel::NoteColumn));
      QTest::keyClick(table, Qt::Key_N);
      if (QWidget* editor = QApplication::focusWidget(); editor && editor != table) {
        QTest::keyClicks(editor, QStringLiteral("o answer"));
        QTest::keyClick(editor, Qt::Key_Return);
      }
    }
    if (step % 20 == 10) window->move(window->pos() + QPoint(7, 5));
    monitor.traceStep("waiting");
    if (stepClock.nsecsElapsed() > 50'000'000 && qEnvironmentVariableIsSet("SAVE_STALL_TRACE"))
      std::fprintf(stderr, "step %d took %.0f ms\n", step, stepClock.nsecsElapsed() / 1e6);
    QTest::qWait(100);
  }
  QTest::qWait(1000);
  monitor.stop();

  // One write of the whole list alone, then a quit with a change to store:
  // quitting costs that write and little else.
  QElapsedTimer clock;
  clock.start();
  Tirr_UserDefaults::writeDefault(QStringLiteral("probe"), QStringLiteral("SaveStallBenchProbe"));
  const bool written = Tirr_UserDefaults::waitForPendingSaves();
  const double writeMs = clock.nsecsElapsed() / 1e6;
  table->setCurrentIndex(shown->index(1, CallListModel::SuccessColumn));
  QTest::keyClick(table, Qt::Key_Space);
  clock.restart();
  delegate.applicationWillTerminate();
  const double quitMs = clock.nsecsElapsed() / 1e6;

  std::printf(
      "rows %d mode %s worst_stall_ms %.1f stalls_over_50ms %ld stalls_over_16ms %ld writes %d "
      "write_ms %.0f quit_ms %.0f%s\n",
      count, foreground ? "foreground" : "background", monitor.worst(), monitor.over(50), monitor.over(16),
      writes, writeMs, quitMs, written ? "" : " (a write failed)");
  return written ? 0 : 1;
}
