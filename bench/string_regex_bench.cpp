// Times two string-toolkit operations on a file, for bench/string_bench.sh:
//   string_regex_bench matches FILE PATTERN [RUNS]  every match of PATTERN in the
//                                                   file's text (read as UTF-8)
//   string_regex_bench parse FILE [RUNS]            parseIntoSInt64 on every line
// Prints the medians of RUNS repetitions in wall time and in the process's CPU
// time (file reading not counted) and a check value, as "key=value" pairs.
// The CPU time is the fairer figure on a machine shared with other work.
#include <time.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "text/string_numbers.h"
#include "text/string_regex.h"

namespace {

double nowMillis(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs `work` `runs` times; prints the median wall and CPU milliseconds.
template <typename Work>
void timeMedians(int runs, Work work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const double wall0 = nowMillis(CLOCK_MONOTONIC), cpu0 = nowMillis(CLOCK_PROCESS_CPUTIME_ID);
    work();
    cpu.push_back(nowMillis(CLOCK_PROCESS_CPUTIME_ID) - cpu0);
    wall.push_back(nowMillis(CLOCK_MONOTONIC) - wall0);
  }
  std::printf("median_ms=%.2f cpu_ms=%.2f ", median(wall), median(cpu));
}

}  // namespace

int main(int argc, char** argv) {
  const QByteArray mode = argc > 2 ? argv[1] : "";
  QFile file(QString::fromLocal8Bit(argc > 2 ? argv[2] : ""));
  if ((mode != "matches" && mode != "parse") || (mode == "matches" && argc < 4) ||
      !file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "usage: %s matches FILE PATTERN [RUNS] | parse FILE [RUNS]\n", argv[0]);
    return 2;
  }
  const QString text = QString::fromUtf8(file.readAll());
  const int runsArg = mode == "matches" ? 4 : 3;
  const int runs = argc > runsArg ? std::max(1, std::atoi(argv[runsArg])) : 5;

  if (mode == "matches") {
    const QString pattern = QString::fromLocal8Bit(argv[3]);
    qsizetype found = 0;
    timeMedians(runs, [&] {
      found = Tirr_NSStringAdditions::substringsMatchingRegularExpression(text, pattern).size();
    });
    std::printf("matches=%lld\n", static_cast<long long>(found));
    return found > 0 ? 0 : 1;
  }

  const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
  qint64 sum = 0;
  timeMedians(runs, [&] {
    sum = 0;
    for (const QString& line : lines) {
      qint64 value = 0;
      if (Tirr_NSStringAdditions::parseIntoSInt64(line, &value)) sum += value;
    }
  });
  std::printf("strings=%lld sum=%lld\n", static_cast<long long>(lines.size()), static_cast<long long>(sum));
  return 0;
}
