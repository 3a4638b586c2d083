// Times the list orderings on the strings of one file (one per line): the
// median CPU time of N runs of each operation (on a shared machine wall time
// mostly measures the neighbours), as one line of "key=value" pairs for
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

double cpuMillis() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double millisOf(const std::function<qsizetype()>& run, qsizetype* size) {
  const double start = cpuMillis();
  *size = run();
  return cpuMillis() - start;
}

double medianMillis(int runs, const std::function<qsizetype()>& run, qsizetype* size) {
  std::vector<double> millis;
  for (int i = 0; i < runs; ++i) millis.push_back(millisOf(run, size));
  std::sort(millis.begin(), millis.end());
  return millis[millis.size() / 2];
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
  const double first = millisOf([&] { return sort(strings).size(); }, &size);
  const double sorted = medianMillis(
      runs, [&] { return sort(strings).size(); }, &size);
  const double numeric = medianMillis(
      runs, [&] { return sortWithStringsAsNumbersSort(strings).size(); }, &size);
  const double cleaned = medianMillis(
      runs, [&] { return sortWithCleanedStringSort(strings).size(); }, &size);
  qsizetype sortedDistinct = 0;
  const double sortUnique = medianMillis(
      runs, [&] { return sortRemovingDuplicates(strings).size(); }, &sortedDistinct);
  qsizetype distinct = 0;
  const double unique = medianMillis(
      runs, [&] { return removeDuplicates(values).size(); }, &distinct);
  std::printf(
      "strings=%lld first_sort_ms=%.1f sort_ms=%.1f numbers_sort_ms=%.1f cleaned_sort_ms=%.1f "
      "sort_removing_duplicates_ms=%.1f remove_duplicates_ms=%.1f distinct=%lld\n",
      static_cast<long long>(strings.size()), first, sorted, numeric, cleaned, sortUnique, unique,
      static_cast<long long>(distinct));
  return size == strings.size() && sortedDistinct == distinct ? 0 : 1;
}
