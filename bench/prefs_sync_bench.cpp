// Times the defaults store with a call list of many records: storing it and
// synchronising (writeDefault + synchronizeDefaults), and restoring it in a
// fresh process (the first readDefault, which reads and decodes the file).
// At launch the window reads small keys that share the domain with the list;
// "first-key" times that first read of a small key next to a full restore,
// each on a fresh store (resetDefaults) and repeated in one process.
//
//   prefs_sync_bench sync [RECORDS]   -> sync_ms <t> sync_cpu_ms <c> file_bytes <n> peak_kb <k>
//   prefs_sync_bench restore          -> restore_ms <t> restore_cpu_ms <c> records <n> peak_kb <k>
//   prefs_sync_bench first-key [RUNS] -> first_key_ms <median> first_key_min_ms <min>
//                                        restore_ms <median> restore_min_ms <min>
//   prefs_sync_bench decode FILE      -> decode_ms <t> records <n>  (any property list)
//
// The store lives under $XDG_CONFIG_HOME; the caller picks a scratch directory.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QVariantList>
#include <QVariantMap>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "prefs/property_list.h"
#include "prefs/user_defaults.h"

namespace {

const char* const kWords[] = {"call", "back",   "later", "left",    "message", "busy",
                              "no",   "answer", "wrong", "number",  "asked",   "for",
                              "Ann",  "Bob",    "the",   "manager", "invoice", "tuesday"};

// The same list on every run: every key, half of the records dated.
QVariantList callList(int records) {
  std::mt19937 rng(20240229);
  QVariantList list;
  list.reserve(records);
  const qint64 start = QDateTime(QDate(2024, 1, 1), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
  for (int i = 0; i < records; ++i) {
    QVariantMap record;
    record.insert(QStringLiteral("index"), QVariant::fromValue(qint64(i + 1)));
    record.insert(QStringLiteral("number"),
                  rng() % 2 ? QStringLiteral("555-%1").arg(rng() % 10000, 4, 10, QLatin1Char('0'))
                            : QStringLiteral("0800%1").arg(rng() % 1000000, 6, 10, QLatin1Char('0')));
    if (i % 2 == 0)
      record.insert(
          QStringLiteral("date"),
          QDateTime::fromMSecsSinceEpoch(start + qint64(rng() % 31536000) * 1000 + rng() % 1000, Qt::UTC));
    record.insert(QStringLiteral("success"), rng() % 2 == 0);
    QStringList note;
    for (unsigned w = 0, n = 3 + rng() % 4; w < n; ++w)
      note.append(QString::fromLatin1(kWords[rng() % std::size(kWords)]));
    record.insert(QStringLiteral("note"), note.join(u' '));
    list.append(record);
  }
  return list;
}

// CPU time of this process in milliseconds: on a busy machine it shows the
// work done, where wall time also shows the waiting for a core.
double cpuMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

QString domainFile() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/tirr-defaults/%1.plist").arg(Tirr_UserDefaults::applicationDomain());
}

const QString kSmallKey = QStringLiteral("CallTableSort");

int sync(int records) {
  QFile::remove(domainFile());
  const QVariant list = callList(records);
  // The domain is loaded at launch, as in the application, and holds the
  // window's small keys beside the list.
  (void)Tirr_UserDefaults::readDefault(QStringLiteral("data"));
  Tirr_UserDefaults::writeDefault(QStringLiteral("{{0, 22}, {960, 600}}"),
                                  QStringLiteral("NSWindow Frame Main"));
  Tirr_UserDefaults::writeDefault(
      QVariantMap{{QStringLiteral("column"), QStringLiteral("date")}, {QStringLiteral("ascending"), true}},
      kSmallKey);
  QElapsedTimer timer;
  timer.start();
  const double cpu = cpuMilliseconds();
  Tirr_UserDefaults::writeDefault(list, QStringLiteral("data"));
  const bool ok = Tirr_UserDefaults::synchronizeDefaults();
  const double ms = timer.nsecsElapsed() / 1e6;
  if (!ok) return std::fprintf(stderr, "synchronizeDefaults failed\n"), 1;
  std::printf("sync_ms %.2f sync_cpu_ms %.2f file_bytes %lld peak_kb %ld\n", ms, cpuMilliseconds() - cpu,
              QFileInfo(domainFile()).size(), peakKilobytes());
  return 0;
}

int restore() {
  QElapsedTimer timer;
  timer.start();
  const double cpu = cpuMilliseconds();
  const auto data = Tirr_UserDefaults::readDefault(QStringLiteral("data"));
  const double ms = timer.nsecsElapsed() / 1e6;
  if (!data) return std::fprintf(stderr, "no data stored\n"), 1;
  std::printf("restore_ms %.2f restore_cpu_ms %.2f records %lld peak_kb %ld\n", ms, cpuMilliseconds() - cpu,
              data->toList().size(), peakKilobytes());
  return 0;
}

// Milliseconds that `read` takes on a fresh store, median and minimum over `runs`.
template <typename Read>
std::pair<double, double> timeFresh(int runs, Read read) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    Tirr_UserDefaults::resetDefaults();
    QElapsedTimer timer;
    timer.start();
    read();
    times.push_back(timer.nsecsElapsed() / 1e6);
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.front()};
}

int firstKey(int runs) {
  bool found = true;
  const auto [key, keyMin] =
      timeFresh(runs, [&] { found &= Tirr_UserDefaults::readDefault(kSmallKey).has_value(); });
  const auto [all, allMin] =
      timeFresh(runs, [&] { found &= Tirr_UserDefaults::readDefault(QStringLiteral("data")).has_value(); });
  if (!found) return std::fprintf(stderr, "no data stored; run \"sync\" first\n"), 1;
  std::printf("first_key_ms %.2f first_key_min_ms %.2f restore_ms %.2f restore_min_ms %.2f\n", key, keyMin,
              all, allMin);
  return 0;
}

int decode(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::fprintf(stderr, "cannot open %s\n", qPrintable(path)), 1;
  QElapsedTimer timer;
  timer.start();
  QString error;
  const auto value = plist::decode(file.readAll(), &error);
  const double ms = timer.nsecsElapsed() / 1e6;
  if (!value) return std::fprintf(stderr, "%s\n", qPrintable(error)), 1;
  const QVariant list =
      value->userType() == QMetaType::QVariantMap ? value->toMap().value(QStringLiteral("data")) : *value;
  std::printf("decode_ms %.2f records %lld\n", ms, list.toList().size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const QString mode = args.value(1);
  if (mode == u"sync") return sync(args.size() > 2 ? args[2].toInt() : 100000);
  if (mode == u"restore") return restore();
  if (mode == u"first-key") return firstKey(args.size() > 2 ? std::max(1, args[2].toInt()) : 20);
  if (mode == u"decode" && args.size() > 2) return decode(args[2]);
  std::fprintf(stderr, "usage: %s sync [RECORDS] | restore | first-key [RUNS] | decode FILE\n", argv[0]);
  return 2;
}
