// Times the list orderings on the strings of one file (one per line): the
// median CPU time of N runs of each operation (all threads), and for the two
// sorts also the median wall time (large lists are sorted on two threads; on a
// shared machine wall time also holds waiting for a core), as one line of
// "key=value" pairs for
// bench/sort_bench.sh. The first run of the process also builds the collators;
// it is reported apart as "first_sort_ms".
//
//   sort_bench FILE [RUNS]
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "collections/array_conveniences.h"
#include "collections/sorted_arrays.h"

namespace {

double millisOf(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// CPU time of the process (every thread) and wall time of one or more runs.
struct Millis {
  double cpu = 0, wall = 0;
};

Millis millisOf(const std::function<qsizetype()>& run, qsizetype* size) {
  const double cpu = millisOf(CLOCK_PROCESS_CPUTIME_ID), wall = millisOf(CLOCK_MONOTONIC);
  *size = run();
  return {millisOf(CLOCK_PROCESS_CPUTIME_ID) - cpu, millisOf(CLOCK_MONOTONIC) - wall};
}

// The medians of both, each over `runs` runs.
Millis medianMillis(int runs, const std::function<qsizetype()>& run, qsizetype* size) {
  std::vector<double> cpu, wall;
  for (int i = 0; i < runs; ++i) {
    const Millis m = millisOf(run, size);
    cpu.push_back(m.cpu);
    wall.push_back(m.wall);
  }
  std::sort(cpu.begin(), cpu.end());
  std::sort(wall.begin(), wall.end());
  return {cpu[cpu.size() / 2], wall[wall.size() / 2]};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
    return 2;
  }
  QFile file(QString::fromLocal8Bit(argv[1]));
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QStringList strings = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  if (!strings.isEmpty() && strings.last().isEmpty()) strings.removeLast();
  QVariantList values;
  for (const QString& s : strings) values.append(s);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

  using namespace Tirr_NSArrayAdditions;
  qsizetype size = 0;
  const Millis first = millisOf([&] { return sort(strings).size(); }, &size);
  const Millis sorted = medianMillis(
      runs, [&] { return sort(strings).size(); }, &size);
  const Millis numeric = medianMillis(
      runs, [&] { return sortWithStringsAsNumbersSort(strings).size(); }, &size);
  const Millis cleaned = medianMillis(
      runs, [&] { return sortWithCleanedStringSort(strings).size(); }, &size);
  qsizetype sortedDistinct = 0;
  const Millis sortUnique = medianMillis(
      runs, [&] { return sortRemovingDuplicates(strings).size(); }, &sortedDistinct);
  qsizetype distinct = 0;
  const Millis unique = medianMillis(
      runs, [&] { return removeDuplicates(values).size(); }, &distinct);
  std::printf(
      "strings=%lld first_sort_ms=%.1f sort_ms=%.1f sort_wall_ms=%.1f numbers_sort_ms=%.1f "
      "numbers_sort_wall_ms=%.1f cleaned_sort_ms=%.1f sort_removing_duplicates_ms=%.1f "
      "remove_duplicates_ms=%.1f distinct=%lld\n",
      static_cast<long long>(strings.size()), first.cpu, sorted.cpu, sorted.wall, numeric.cpu, numeric.wall,
      cleaned.cpu, sortUnique.cpu, unique.cpu, static_cast<long long>(distinct));
  return size == strings.size() && sortedDistinct == distinct ? 0 : 1;
}
