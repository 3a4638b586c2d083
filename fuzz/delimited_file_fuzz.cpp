// Fuzzes the delimited file reader through a file: the input bytes become the
// file's content, read with the delimiter chosen from its first line. Checks
// the guarantees callers rely on, and the records against the literal
// transcription of the reader's rules.
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "collections/delimited_file.h"
#include "collections/delimited_reference.h"
#include "text/string_core.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

const QString& scratchPath() {
  static const QString path =
      QDir::temp().filePath(QStringLiteral("delimited_file_fuzz_%1.txt").arg(QString::number(getpid())));
  return path;
}

bool isOneOfTheFourKinds(const QVariant& value) {
  const int id = value.metaType().id();
  return id == QMetaType::LongLong || id == QMetaType::Float || id == QMetaType::Bool ||
         id == QMetaType::QString;
}

// What the reader must produce: the reference rules on the decoded text, or
// nothing when the bytes are not UTF-8.
QList<QVariantMap> expectedRecords(const QByteArray& bytes, QStringList* header) {
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) return {};
  if (bytes.startsWith("\xef\xbb\xbf")) text.remove(0, 1);
  const QStringList lines = Tirr_NSStringAdditions::paragraphs(text);
  const QString delimiter =
      !lines.isEmpty() && lines.front().contains(u'\t') ? QStringLiteral("\t") : QStringLiteral(",");
  for (const QString& line : lines) {
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    *header = line.split(delimiter);
    break;
  }
  return delimited_reference::readText(text, delimiter, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  {
    QFile file(scratchPath());
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    check(file.write(bytes) == bytes.size());
  }
  const QList<QVariantMap> records = Tirr_NSArrayAdditions::arrayWithContentsOfDelimitedFile(scratchPath());

  QStringList header;
  check(delimited_reference::sameRecords(records, expectedRecords(bytes, &header)));
  for (const QVariantMap& record : records) {
    check(!record.isEmpty());
    check(record.size() <= header.size());
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
      check(header.contains(it.key()));
      check(isOneOfTheFourKinds(it.value()));
    }
  }
  return 0;
}
