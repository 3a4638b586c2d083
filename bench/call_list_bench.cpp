// Times the call list's own operations for bench/call_list_bench.sh, each the
// first time in a fresh process ("cold") and again in the same process
// ("warm"), with the heap allocations and minor page faults of the cold run.
//
//   call_list_bench import FILE [RUNS]        importCallList (read + build)
//   call_list_bench store FILE [RUNS]         the imported list stored in the
//                                             preferences and written durably
//   call_list_bench restore [RUNS]            the stored list read back
//   call_list_bench export FILE OUT [RUNS]    writeExportFile from the list
//   call_list_bench sort FILE [RUNS]          the table's sort by number
//   call_list_bench frame FILE [RUNS]         with the imported list stored,
//                                             a move of the window stored on
//                                             the background writer: wall and
//                                             CPU time of each such write
//
// Each prints one line of key=value pairs. The preferences live under
// $XDG_CONFIG_HOME; the script picks a scratch folder.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/array_controller.h"
#include "app/call_list_io.h"
#include "app/stored_call_list.h"
#include "prefs/user_defaults.h"

// Every heap allocation of the process passes through here, Qt's included.
namespace {
std::atomic<quint64> allocations{0};
}
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
void* malloc(size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = __libc_memalign(alignment, n);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}
void* aligned_alloc(size_t alignment, size_t n) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_memalign(alignment, n);
}
void free(void* p) { __libc_free(p); }
}

namespace {

// CPU time of the whole process in the kernel, and in all, in milliseconds.
std::pair<double, double> processCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return {ms(usage.ru_stime), ms(usage.ru_utime) + ms(usage.ru_stime)};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

rusage usage() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage;
}

double cpuMs(const rusage& u) {
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct Measure {
  double ms;
  double cpuMs;  // user and system time of the process
  quint64 allocations;
  long faults;
};

Measure measure(const std::function<void()>& work) {
  const quint64 allocs = allocations.load();
  const rusage before = usage();
  QElapsedTimer timer;
  timer.start();
  work();
  const double ms = double(timer.nsecsElapsed()) / 1e6;
  const rusage after = usage();
  return {ms, cpuMs(after) - cpuMs(before), allocations.load() - allocs, after.ru_minflt - before.ru_minflt};
}

// The first run, and the median of the later ones; `after` runs untimed after each.
void report(const char* name, int runs, const qsizetype& records, const std::function<void()>& work,
            const std::function<void()>& after = {}) {
  const Measure cold = measure(work);
  if (after) after();
  std::vector<double> warm, warmCpu;
  for (int i = 1; i < runs; ++i) {
    const Measure m = measure(work);
    warm.push_back(m.ms);
    warmCpu.push_back(m.cpuMs);
    if (after) after();
  }
  std::sort(warm.begin(), warm.end());
  std::sort(warmCpu.begin(), warmCpu.end());
  const double records_ = double(std::max<qsizetype>(records, 1));
  std::printf(
      "%s_cold_ms=%.1f %s_warm_ms=%.1f %s_cold_cpu_ms=%.1f %s_warm_cpu_ms=%.1f allocations_per_record=%.2f "
      "faults=%ld records=%lld\n",
      name, cold.ms, name, warm.empty() ? cold.ms : warm[warm.size() / 2], name, cold.cpuMs, name,
      warmCpu.empty() ? cold.cpuMs : warmCpu[warmCpu.size() / 2], double(cold.allocations) / records_,
      cold.faults, (long long)records);
}

CallList load(const QString& path) {
  ImportOutcome outcome = importCallList(path);
  if (outcome.status != ImportOutcome::Status::Loaded) {
    std::fprintf(stderr, "cannot import %s: %s\n", qPrintable(path), qPrintable(outcome.error));
    std::exit(1);
  }
  return std::move(outcome.records);
}

const QString kDataKey = QStringLiteral("data");

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) {
    std::fprintf(stderr, "usage: %s import|store|restore|export|sort ...\n", argv[0]);
    return 2;
  }
  const QString mode = args[1];
  const auto runsAt = [&](int at) { return args.size() > at ? std::max(1, args[at].toInt()) : 5; };

  if (mode == QLatin1String("import") && args.size() > 2) {
    CallList list;
    qsizetype records = 0, bytes = 0;
    report(
        "import", runsAt(3), records, [&] { list = load(args[2]); },
        [&] {
          records = list.size();
          bytes = list.memoryBytes();
          list = {};
        });
    std::printf("bytes_per_record=%.1f\n", double(bytes) / double(std::max<qsizetype>(records, 1)));
    return 0;
  }
  if (mode == QLatin1String("store") && args.size() > 2) {
    const CallList list = load(args[2]);
    const qsizetype records = list.size();
    // The application has its preferences loaded from launch on: the first
    // read of a small key loads the domain, untimed.
    (void)Tirr_UserDefaults::readDefault(QStringLiteral("NSWindow Frame Main"));
    report("store", runsAt(3), records, [&] {
      Tirr_UserDefaults::writeProducedDefault([stored = storedFromCallList(list)] { return stored; },
                                              kDataKey);
      if (!Tirr_UserDefaults::synchronizeDefaults()) std::exit(1);
    });
    return 0;
  }
  if (mode == QLatin1String("frame") && args.size() > 2) {
    const CallList list = load(args[2]);
    (void)Tirr_UserDefaults::readDefault(QStringLiteral("NSWindow Frame Main"));
    Tirr_UserDefaults::setSavesInBackground(true);
    // The list is handed over once, as the window does; every later write
    // meets the very same stored value again.
    Tirr_UserDefaults::writeProducedDefault([stored = storedFromCallList(list)] { return stored; }, kDataKey);
    if (!Tirr_UserDefaults::waitForPendingSaves()) return 1;
    std::vector<double> wall, cpu, kernel;
    for (int run = 0; run < runsAt(3); ++run) {
      // While the main thread waits, the process's CPU time is the writer's.
      const auto [kernelBefore, cpuBefore] = processCpuMs();
      QElapsedTimer timer;
      timer.start();
      Tirr_UserDefaults::writeDefault(
          QStringLiteral("%1 %2 900 700 0 0 1920 1080 ").arg(100 + run).arg(80 + run),
          QStringLiteral("NSWindow Frame Main"));
      if (!Tirr_UserDefaults::waitForPendingSaves()) return 1;
      wall.push_back(double(timer.nsecsElapsed()) / 1e6);
      const auto [kernelAfter, cpuAfter] = processCpuMs();
      cpu.push_back(cpuAfter - cpuBefore);
      kernel.push_back(kernelAfter - kernelBefore);
    }
    std::printf("frame_wall_ms=%.1f frame_cpu_ms=%.1f frame_kernel_cpu_ms=%.1f records=%lld\n", median(wall),
                median(cpu), median(kernel), (long long)list.size());
    return 0;
  }
  if (mode == QLatin1String("restore")) {
    std::optional<CallList> list;
    qsizetype records = 0;
    report(
        "restore", runsAt(2), records, [&] { list = readStoredCallList(kDataKey); },
        [&] {
          if (!list) std::exit((std::fprintf(stderr, "no list stored\n"), 1));
          records = list->size();
          list.reset();
          Tirr_UserDefaults::resetDefaults();  // the next run reads the file again
        });
    return 0;
  }
  if (mode == QLatin1String("export") && args.size() > 3) {
    const CallList list = load(args[2]);
    const qsizetype records = list.size();
    // As the application exports: written a chunk at a time as it is made.
    report("export", runsAt(4), records, [&] {
      if (writeExportFile(args[3], list)) std::exit(1);
    });
    return 0;
  }
  if (mode == QLatin1String("sort") && args.size() > 2) {
    ArrayController controller;
    controller.setContent(load(args[2]));
    int run = 0;
    const qsizetype records = controller.content().size();
    report("sort", runsAt(3), records, [&] {
      controller.arranged()->sort(CallListModel::NumberColumn,
                                  run++ % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    return 0;
  }
  std::fprintf(stderr, "unknown mode or missing arguments\n");
  return 2;
}
