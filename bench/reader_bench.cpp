// Times the delimited file reader on one file: the median wall time of N
// reads, the throughput, the records read and the process's peak resident
// memory, as one line of "key=value" pairs for bench/reader_bench.sh.
//
//   reader_bench FILE [RUNS] [typed|text]
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "collections/delimited_file.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [RUNS] [typed|text]\n", argv[0]);
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const bool typed = argc <= 3 || QByteArray(argv[3]) != "text";

  std::vector<double> millis;
  qsizetype records = 0;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    const QList<QVariantMap> result =
        typed ? Tirr_NSArrayAdditions::arrayWithContentsOfDelimitedFile(path)
              : Tirr_NSArrayAdditions::textRecordsWithContentsOfDelimitedFile(path);
    millis.push_back(double(timer.nsecsElapsed()) / 1e6);
    records = result.size();
  }
  std::sort(millis.begin(), millis.end());
  const double median = millis[millis.size() / 2];
  const double megabytes = double(QFileInfo(path).size()) / 1e6;

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("median_ms=%.1f min_ms=%.1f mb_per_s=%.0f records=%lld peak_rss_mb=%.0f\n", median,
              millis.front(), megabytes / (median / 1000.0), static_cast<long long>(records),
              double(usage.ru_maxrss) / 1024.0);
  return records > 0 ? 0 : 1;
}
