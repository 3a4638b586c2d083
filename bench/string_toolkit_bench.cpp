// Times the everyday text operations over a file of short strings, one per
// line: for each operation the median of RUNS passes over all strings, in
// nanoseconds of CPU time per string. With --linear it times each operation on one text
// of 100 KB and one of 1 MB made of the same strings, to show the cost grows
// with the length and no faster, and the minor page faults of each call. Output is "key=value" lines for
// bench/string_toolkit_bench.sh.
//
//   string_toolkit_bench FILE [RUNS]
//   string_toolkit_bench --linear FILE [RUNS]
//
// With STRING_TOOLKIT_ONLY=NAME in the environment only that operation runs,
// which keeps a profile of it free of the others.
#include <sys/resource.h>
#include <time.h>

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "text/string_affixes.h"
#include "text/string_case.h"
#include "text/string_core.h"
#include "text/string_units.h"

using namespace Tirr_NSStringAdditions;

namespace {

// XML's five escapes, a typical batch of pairs.
const QStringList kSearch{u"&"_qs, u"<"_qs, u">"_qs, u"\""_qs, u"'"_qs};
const QStringList kReplace{u"&amp;"_qs, u"&lt;"_qs, u"&gt;"_qs, u"&quot;"_qs, u"&apos;"_qs};

struct Operation {
  const char* name;
  std::function<qsizetype(const QString&)> run;  // answers a size, so nothing is optimised away
};

const std::vector<Operation>& operations() {
  static const std::vector<Operation> ops{
      {"titleCaseString", [](const QString& s) { return titleCaseString(s).size(); }},
      {"nameCaseString", [](const QString& s) { return nameCaseString(s).size(); }},
      {"stripDiacritical", [](const QString& s) { return stripDiacritical(s).size(); }},
      {"words", [](const QString& s) { return words(s).size(); }},
      {"snrBatch", [](const QString& s) { return snrBatch(s, kSearch, kReplace).size(); }},
  };
  return ops;
}

double medianOf(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The thread's CPU time in milliseconds. On a machine shared with other work,
// CPU time is steadier than wall time; the Python side measures the same way.
double cpuMillis() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The thread's minor page faults so far: first touches of fresh memory, each
// a trap to the kernel.
double minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return double(usage.ru_minflt);
}

struct Timing {
  double millis;  // median CPU milliseconds of a call
  double faults;  // median minor page faults of a call
};

// Times `runs` calls of `pass`.
Timing timeRuns(int runs, const std::function<qsizetype()>& pass, qsizetype* sink) {
  std::vector<double> millis, faults;
  for (int i = 0; i < runs; ++i) {
    const double startFaults = minorFaults();
    const double start = cpuMillis();
    *sink += pass();
    millis.push_back(cpuMillis() - start);
    faults.push_back(minorFaults() - startFaults);
  }
  return {medianOf(millis), medianOf(faults)};
}

double timeMillis(int runs, const std::function<qsizetype()>& pass, qsizetype* sink) {
  return timeRuns(runs, pass, sink).millis;
}

QString joinedTo(const QStringList& lines, qsizetype units) {
  QString text;
  text.reserve(units + 256);
  for (qsizetype i = 0; text.size() < units; ++i) {
    text += lines[i % lines.size()];
    text += u' ';
  }
  text.truncate(units);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // the title case asks the application for translations
  const bool linear = argc > 1 && std::strcmp(argv[1], "--linear") == 0;
  const int first = linear ? 2 : 1;
  if (argc <= first) {
    std::fprintf(stderr, "usage: %s [--linear] FILE [RUNS]\n", argv[0]);
    return 2;
  }
  QFile file(QString::fromLocal8Bit(argv[first]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[first]);
    return 1;
  }
  const QStringList lines = paragraphs(QString::fromUtf8(file.readAll()));
  const int runs = argc > first + 1 ? std::max(1, std::atoi(argv[first + 1])) : 5;
  qsizetype sink = 0;
  const QByteArray only = qgetenv("STRING_TOOLKIT_ONLY");
  auto skipped = [&](const Operation& op) { return !only.isEmpty() && only != op.name; };

  if (!linear) {
    for (const Operation& op : operations()) {
      if (skipped(op)) continue;
      const double ms = timeMillis(
          runs,
          [&] {
            qsizetype total = 0;
            for (const QString& s : lines) total += op.run(s);
            return total;
          },
          &sink);
      std::printf("op=%s strings=%lld ns_per_string=%.1f\n", op.name, static_cast<long long>(lines.size()),
                  ms * 1e6 / double(lines.size()));
    }
  } else {
    // 100 KB and 1 MB of UTF-8 are about as many UTF-16 units here.
    const QString small = joinedTo(lines, 100'000);
    const QString large = joinedTo(lines, 1'000'000);
    for (const Operation& op : operations()) {
      if (skipped(op)) continue;
      const Timing smallRun = timeRuns(
          runs, [&] { return op.run(small); }, &sink);
      const Timing largeRun = timeRuns(
          runs, [&] { return op.run(large); }, &sink);
      std::printf("op=%s ms_100k=%.2f ms_1m=%.2f ratio=%.1f faults_100k=%.0f faults_1m=%.0f\n", op.name,
                  smallRun.millis, largeRun.millis, largeRun.millis / smallRun.millis, smallRun.faults,
                  largeRun.faults);
    }
  }
  return sink > 0 ? 0 : 1;
}
