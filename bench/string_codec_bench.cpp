// Times the toolkit's codecs on one file, for bench/string_codec_bench.sh.
//
//   string_codec_bench base64 FILE [RUNS]   FILE is UTF-8 text: convertToBase64 of
//                                           it, and convertFromBase64 of that
//   string_codec_bench escape FILE [RUNS]   FILE has one URL or sentence a line:
//                                           addPercentEscapes, removePercentEscapes
//                                           (of the escaped lines) and safeForXML
//
// Prints one line of "key=value" pairs: the median milliseconds of the warm
// calls (all but the first of RUNS calls) per operation, as wall time, as the
// thread's CPU time (user and system: the system part is mostly the kernel
// zeroing the result's fresh pages; on a shared machine the wall time also
// holds the time spent waiting for a core) and, for Base64, its user part
// alone; the first call's wall time, the input megabytes and the process's
// peak resident memory.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "text/string_encodings.h"
#include "text/string_markup.h"
#include "text/string_urls.h"

using namespace Tirr_NSStringAdditions;

namespace {

struct Timing {
  double first = 0, median = 0, cpu = 0, user = 0;
};

struct CpuMs {
  double user = 0, system = 0;
};

CpuMs threadCpuMs() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  auto ms = [](const timeval& tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
  return {ms(usage.ru_utime), ms(usage.ru_stime)};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

Timing timeRuns(int runs, const std::function<qsizetype()>& work) {
  std::vector<double> wall, cpu, user;
  qsizetype sink = 0;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    const CpuMs start = threadCpuMs();
    timer.start();
    sink += work();
    wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    const CpuMs end = threadCpuMs();
    user.push_back(end.user - start.user);
    cpu.push_back(end.user - start.user + end.system - start.system);
  }
  if (sink < 0) std::puts("");  // keeps the work observable
  // Warm means the second and later calls: the first also pays for the
  // process's first use of its code, tables and memory.
  const double first = wall.front();
  if (runs > 1) {
    wall.erase(wall.begin());
    cpu.erase(cpu.begin());
    user.erase(user.begin());
  }
  return {first, median(wall), median(cpu), median(user)};
}

double peakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s base64|escape FILE [RUNS]\n", argv[0]);
    return 2;
  }
  const QByteArray mode = argv[1];
  QFile file(QString::fromLocal8Bit(argv[2]));
  if (!file.open(QIODevice::ReadOnly)) return 1;
  const QByteArray bytes = file.readAll();
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const double megabytes = double(bytes.size()) / 1e6;

  if (mode == "base64") {
    const QString text = QString::fromUtf8(bytes);
    QString encoded;
    const Timing encode = timeRuns(runs, [&] {
      encoded = QString();  // the previous result goes first, as the decode's does
      encoded = convertToBase64(text);
      return encoded.size();
    });
    const Timing decode = timeRuns(runs, [&] {
      const std::optional<QString> decoded = convertFromBase64(encoded);
      if (!decoded || decoded->size() != text.size()) std::abort();
      return decoded->size();
    });
    std::printf(
        "mb=%.1f encode_ms=%.1f encode_cpu_ms=%.1f encode_user_ms=%.1f encode_first_ms=%.1f decode_ms=%.1f "
        "decode_cpu_ms=%.1f decode_user_ms=%.1f decode_first_ms=%.1f peak_rss_mb=%.0f\n",
        megabytes, encode.median, encode.cpu, encode.user, encode.first, decode.median, decode.cpu,
        decode.user, decode.first, peakRssMb());
    return 0;
  }
  if (mode == "escape") {
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    QStringList escaped(lines.size());
    const Timing add = timeRuns(runs, [&] {
      qsizetype total = 0;
      for (qsizetype i = 0; i < lines.size(); ++i) total += (escaped[i] = addPercentEscapes(lines[i])).size();
      return total;
    });
    const Timing remove = timeRuns(runs, [&] {
      qsizetype total = 0;
      for (const QString& line : escaped) total += removePercentEscapes(line)->size();
      return total;
    });
    const Timing xml = timeRuns(runs, [&] {
      qsizetype total = 0;
      for (const QString& line : lines) total += safeForXML(line).size();
      return total;
    });
    std::printf(
        "mb=%.1f lines=%lld add_ms=%.2f add_cpu_ms=%.2f remove_ms=%.2f remove_cpu_ms=%.2f xml_ms=%.2f "
        "xml_cpu_ms=%.2f peak_rss_mb=%.0f\n",
        megabytes, static_cast<long long>(lines.size()), add.median, add.cpu, remove.median, remove.cpu,
        xml.median, xml.cpu, peakRssMb());
    return 0;
  }
  return 2;
}
