// Times the length and width limits of the string toolkit:
//   TruncateString/10000     a 10,000-character text cut to 200 units
//   TruncateStringOneByOne/N the same cut found one character at a time, as
//                            the plain algorithm measures (quadratic; for scale)
//   TruncatePath/10000       10,000 file paths, each fitted into 200 units;
//                            their names come from a few dozen shared ones
//   TruncatePathDistinctNames/10000  the same with names hardly ever repeated
//   TruncatePathColdFont/10000       the same in a font whose widths are not
//                            kept, so that every character and pair is
//                            measured anew
//   TruncatePathEveryCandidate/1000  1,000 of the paths collapsed and cut the
//                            plain way, every candidate measured (for scale)
//   WrapToLength             the text of $LAYOUT_BENCH_TEXT (or 1 MB of words)
//                            wrapped at 72; bench/layout_bench.sh times
//                            Python's textwrap.fill on the same file
#include <benchmark/benchmark.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRandomGenerator>

#include "testsupport/plain_truncation.h"
#include "text/string_layout.h"

using namespace Tirr_NSStringAdditions;

namespace {

TextAttributes dejaVu() {
  QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
  TextAttributes attributes;
  attributes.font = QFont(QStringLiteral("DejaVu Sans"));
  attributes.font.setPixelSize(13);
  return attributes;
}

// Words of 1 to 12 letters, some joined by hyphens, with a line break about
// every 600 characters.
QString words(qsizetype length) {
  QRandomGenerator random(42);
  QString text;
  text.reserve(length + 16);
  qsizetype sinceBreak = 0;
  while (text.size() < length) {
    const int letters = 1 + random.bounded(12);
    for (int i = 0; i < letters; ++i) text += QChar(u'a' + random.bounded(26));
    sinceBreak += letters + 1;
    if (sinceBreak > 600) {
      text += u'\n';
      sinceBreak = 0;
    } else {
      text += random.bounded(10) == 0 ? u'-' : u' ';
    }
  }
  text.truncate(length);
  return text;
}

void TruncateString(benchmark::State& state) {
  const TextAttributes attributes = dejaVu();
  const QString text = words(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(truncateString(text, 200, attributes));
}
BENCHMARK(TruncateString)->Arg(10000)->Unit(benchmark::kMicrosecond);

void TruncateStringOneByOne(benchmark::State& state) {
  const TextAttributes attributes = dejaVu();
  const QString text = words(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(truncateOneAtATime(text, 200, attributes.font));
}
BENCHMARK(TruncateStringOneByOne)->Arg(1000)->Unit(benchmark::kMillisecond);

// Absolute paths of 1 to 9 names of 3 to 22 characters: prefixes of one
// text of words, or (distinct) names of random letters, capitals, digits,
// spaces, dots and dashes.
QStringList paths(qsizetype count, bool distinct) {
  QRandomGenerator random(7);
  const QString letters =
      QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdefghijklmnoprstuABCDEFGHIJKLMNOPRSTW0123456789 ._-");
  QStringList paths;
  for (qsizetype i = 0; i < count; ++i) {
    QString path;
    const int depth = 1 + random.bounded(9);
    for (int d = 0; d < depth; ++d) {
      const int length = 3 + random.bounded(20);
      QString name;
      if (distinct)
        for (int c = 0; c < length; ++c) name += letters[random.bounded(letters.size())];
      else
        name = words(length).remove(u'\n').replace(u' ', u'_');
      path += u'/' + name;
    }
    paths.append(path);
  }
  return paths;
}

void TruncatePath(benchmark::State& state) {
  const TextAttributes attributes = dejaVu();
  const QStringList list = paths(state.range(0), false);
  for (auto _ : state)
    for (const QString& path : list) benchmark::DoNotOptimize(truncatePathString(path, 200, attributes));
}
BENCHMARK(TruncatePath)->Arg(10000)->Unit(benchmark::kMillisecond);

void TruncatePathDistinctNames(benchmark::State& state) {
  const TextAttributes attributes = dejaVu();
  const QStringList list = paths(state.range(0), true);
  for (auto _ : state)
    for (const QString& path : list) benchmark::DoNotOptimize(truncatePathString(path, 200, attributes));
}
BENCHMARK(TruncatePathDistinctNames)->Arg(10000)->Unit(benchmark::kMillisecond);

void TruncatePathColdFont(benchmark::State& state) {
  TextAttributes attributes = dejaVu();
  const QStringList list = paths(state.range(0), true);
  // Sixteen sizes in turn, twice as many as the widths are kept for, so that
  // every iteration starts without kept widths.
  static int turn = 0;
  for (auto _ : state) {
    attributes.font.setPixelSize(14 + turn++ % 16);
    for (const QString& path : list) benchmark::DoNotOptimize(truncatePathString(path, 200, attributes));
  }
}
BENCHMARK(TruncatePathColdFont)->Arg(10000)->Unit(benchmark::kMillisecond);

void TruncatePathEveryCandidate(benchmark::State& state) {
  const TextAttributes attributes = dejaVu();
  const QStringList list = paths(state.range(0), true);
  for (auto _ : state)
    for (const QString& path : list)
      benchmark::DoNotOptimize(truncatePathEveryCandidate(path, 200, attributes.font));
}
BENCHMARK(TruncatePathEveryCandidate)->Arg(1000)->Unit(benchmark::kMillisecond);

void WrapToLength(benchmark::State& state) {
  QString text;
  QFile file(qEnvironmentVariable("LAYOUT_BENCH_TEXT"));
  if (file.open(QIODevice::ReadOnly))
    text = QString::fromUtf8(file.readAll());
  else
    text = words(1 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(wrapToLength(text, 72));
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(WrapToLength)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
