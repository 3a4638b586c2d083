// Times the main window with a large call list.
//
//   table_bench seed N       stores N generated records as the saved list
//   table_bench launch       one launch: ms from main() to the table's first
//                            paint and to the table being fully populated
//   table_bench sort N       re-sorting N records with the view attached, and
//                            scrolling through them (median of 7 each)
//
// Point XDG_CONFIG_HOME at a scratch directory; bench/table_bench.sh does.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_delegate.h"
#include "prefs/user_defaults.h"

namespace {

QElapsedTimer sinceStart;

CallList generatedList(int count) {
  static const char* const words[] = {"left",   "message", "call", "back",   "busy",  "no",
                                      "answer", "spoke",   "to",   "office", "later", "tomorrow"};
  QList<QVariantMap> records;
  records.reserve(count);
  const QDateTime base(QDate(2026, 1, 1), QTime(9, 0), Qt::UTC);
  for (int i = 0; i < count; ++i) {
    QVariantMap r;
    r.insert(CallKeys::index, qint64(i + 1));
    r.insert(CallKeys::number,
             i % 3 == 0 ? QStringLiteral("0800%1").arg(uint(i * 7919) % 1000000, 6, 10, QLatin1Char('0'))
                        : QStringLiteral("555-%1").arg(uint(i * 104729) % 10000, 4, 10, QLatin1Char('0')));
    if (i % 2 == 0) r.insert(CallKeys::date, base.addSecs(qint64(i) * 37));
    r.insert(CallKeys::success, i % 5 == 0);
    QString note;
    for (int w = 0; w < 3 + i % 3; ++w) {
      if (w) note += QLatin1Char(' ');
      note += QLatin1String(words[(i + w * 5) % 12]);
    }
    r.insert(CallKeys::note, note);
    records.append(r);
  }
  return CallList::fromRecords(records);
}

// Reports the first paint of a widget.
class FirstPaint : public QObject {
 public:
  bool painted = false;
  double ms = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && !painted) {
      painted = true;
      ms = sinceStart.nsecsElapsed() / 1e6;
    }
    return QObject::eventFilter(o, e);
  }
};

// The resident memory of the process now, from /proc/self/status.
long residentKilobytes() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int seed(int count) {
  QVariantList list;
  for (const QVariantMap& r : generatedList(count)) list.append(r);
  Tirr_UserDefaults::writeDefault(list, AppDelegate::kDataKey);
  return Tirr_UserDefaults::synchronizeDefaults() ? 0 : 1;
}

int launch() {
  AppDelegate::initialize();
  AppDelegate delegate;
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(&delegate));
  FirstPaint paint;
  window->table()->viewport()->installEventFilter(&paint);
  delegate.applicationDidFinishLaunching();
  while (!paint.painted || !delegate.callListRestored())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const double populated = sinceStart.nsecsElapsed() / 1e6;
  // Let the table lay out and the writer take its first look at the list
  // before the memory is read.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  std::printf("first_paint_ms %.1f populated_ms %.1f rows %d rss_kb %ld\n", paint.ms,
              std::max(populated, paint.ms), int(window->table()->model()->rowCount()), residentKilobytes());
  return 0;
}

int sort(int count) {
  AppDelegate::initialize();
  AppDelegate delegate;
  std::unique_ptr<MainWindow> window(loadMainWindowLayout(&delegate));
  delegate.applicationDidFinishLaunching();
  if (!QTest::qWaitFor([&] { return delegate.callListRestored(); })) return 1;
  delegate.dataArrayController()->setContent(generatedList(count));
  QTableView* table = window->table();
  auto timeSort = [&](int column) {
    std::vector<double> runs;
    for (int i = 0; i < 7; ++i) {
      QElapsedTimer t;
      t.start();
      table->sortByColumn(column, i % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
      table->viewport()->repaint();
      runs.push_back(t.nsecsElapsed() / 1e6);
    }
    return median(runs);
  };
  const double byNumber = timeSort(CallListModel::NumberColumn);
  const double byIndex = timeSort(CallListModel::IndexColumn);
  std::vector<double> scroll;
  QScrollBar* bar = table->verticalScrollBar();
  for (int i = 1; i <= 50; ++i) {
    QElapsedTimer t;
    t.start();
    bar->setValue(int(qint64(bar->maximum()) * i / 50));
    table->viewport()->repaint();
    scroll.push_back(t.nsecsElapsed() / 1e6);
  }
  std::printf("rows %d sort_number_ms %.1f sort_index_ms %.1f scroll_step_ms %.2f\n", count, byNumber,
              byIndex, median(scroll));
  delegate.applicationWillTerminate();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  sinceStart.start();
  QApplication app(argc, argv);
  const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
  if (mode == QLatin1String("seed")) return seed(count);
  if (mode == QLatin1String("launch")) return launch();
  if (mode == QLatin1String("sort")) return sort(count);
  std::fprintf(stderr, "usage: table_bench seed N | launch | sort N\n");
  return 2;
}
