// Times the user's import and export of a call list, for
// bench/import_export_bench.sh: one line of "key=value" pairs per mode.
//
//   import_export_bench import FILE [RUNS]      importCallList (read + build)
//   import_export_bench export FILE OUT [RUNS]  exportText + writeExportFile
//   import_export_bench dates FILE OUT          stamps every record with a date
//                                               and writes the export to OUT
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QTimeZone>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/call_list_io.h"

namespace {

// The median of `runs` timings of `work`; `after` runs untimed after each, so
// freeing the previous result does not count against the next.
double medianMillis(int runs, const std::function<void()>& work, const std::function<void()>& after = {}) {
  std::vector<double> millis;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    work();
    millis.push_back(double(timer.nsecsElapsed()) / 1e6);
    if (after) after();
  }
  std::sort(millis.begin(), millis.end());
  return millis[millis.size() / 2];
}

CallList load(const QString& path) {
  const ImportOutcome outcome = importCallList(path);
  if (outcome.status != ImportOutcome::Status::Loaded) {
    std::fprintf(stderr, "cannot import %s: %s\n", qPrintable(path), qPrintable(outcome.error));
    std::exit(1);
  }
  return outcome.records;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 3) {
    std::fprintf(stderr, "usage: %s import FILE [RUNS] | export FILE OUT [RUNS] | dates FILE OUT\n", argv[0]);
    return 2;
  }
  const QString mode = args[1], path = args[2];
  if (mode == QLatin1String("import")) {
    const int runs = args.size() > 3 ? std::max(1, args[3].toInt()) : 5;
    qsizetype records = 0, dated = 0;
    CallList list;
    const double median = medianMillis(
        runs, [&] { list = load(path); },
        [&] {
          records = list.size();
          dated = 0;
          for (qsizetype i = 0; i < list.size(); ++i) dated += list.called(i) ? 1 : 0;
          list = {};
        });
    std::printf("import_ms=%.1f records=%lld dated=%lld\n", median, (long long)records, (long long)dated);
    return 0;
  }
  if (args.size() < 4) return 2;
  const QString out = args[3];
  CallList list = load(path);
  if (mode == QLatin1String("dates")) {
    const QDateTime start = QDateTime::fromSecsSinceEpoch(1767225600, QTimeZone::utc());
    for (qsizetype i = 0; i < list.size(); ++i) list.setValue(i, CallField::Date, start.addSecs(i * 37));
    return writeExportFile(out, exportText(list)) ? 1 : 0;
  }
  const int runs = args.size() > 4 ? std::max(1, args[4].toInt()) : 5;
  qsizetype bytes = 0;
  const double median = medianMillis(runs, [&] {
    const QByteArray text = exportText(list);
    bytes = text.size();
    if (writeExportFile(out, text)) std::exit(1);
  });
  std::printf("export_ms=%.1f records=%lld bytes=%lld\n", median, (long long)list.size(), (long long)bytes);
  return 0;
}
