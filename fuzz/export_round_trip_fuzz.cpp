// Any numbers and notes survive an export and an import of it: the input,
// read as UTF-8 and cut at U+001F into number, note, number, note, ..., is
// exported, written to a file and imported again. Every record must come back
// with its index and outcome, and its number and note as written, apart from
// what no written form carries: line breaks become spaces, white space at the
// ends goes, U+0000 becomes U+FFFD, and the placeholder "<<quote>>" reads as
// one double quote.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "app/call_list_io.h"
#include "testsupport/export_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir(
      (QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
      QStringLiteral("/export_round_trip_fuzz-XXXXXX"));
  static const QString path = dir.filePath(QStringLiteral("export.txt"));
  const QString input = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QStringList fields = input.split(QChar(0x1F));
  CallList records;
  for (qsizetype i = 0; i < fields.size(); i += 2)
    records.append({{CallKeys::index, qint64(records.size() + 1)},
                    {CallKeys::number, fields[i]},
                    {CallKeys::success, (i / 2) % 2 == 1},
                    {CallKeys::note, fields.value(i + 1)}});
  {
    // A plain write: the durable replacement that writeExportFile adds is not under test.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(exportText(records)) < 0)
      std::abort();
  }
  const ImportOutcome back = importCallList(path);
  if (back.status != ImportOutcome::Status::Loaded || back.records.size() != records.size()) std::abort();
  for (qsizetype i = 0; i < records.size(); ++i) {
    const QVariantMap got = back.records.record(i);
    const QVariantMap written = records.record(i);
    if (got.value(CallKeys::index) != written.value(CallKeys::index) ||
        got.value(CallKeys::success) != written.value(CallKeys::success) ||
        got.value(CallKeys::number).toString() !=
            afterRoundTrip(written.value(CallKeys::number).toString()) ||
        got.value(CallKeys::note).toString() != afterRoundTrip(written.value(CallKeys::note).toString()))
      std::abort();
  }
  return 0;
}
