#include "collections/delimited_file.h"

#include "collections/delimited_file_reader.h"

namespace Tirr_NSArrayAdditions {

QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path, const QString& delimiter) {
  return readDelimitedFile(path, {.delimiter = delimiter});
}

// The delimiter is chosen from the same single reading of the file that gives
// the records, so a file that changes meanwhile is never judged by one
// content and read as another.
QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path) {
  return readDelimitedFile(path, {});
}

QList<QVariantMap> arrayWithContentsOfTSVFile(const QString& path) {
  return arrayWithContentsOfDelimitedFile(path, QStringLiteral("\t"));
}

QList<QVariantMap> arrayWithContentsOfCSVFile(const QString& path) {
  return arrayWithContentsOfDelimitedFile(path, QStringLiteral(","));
}

QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path, const QString& delimiter) {
  return readDelimitedFile(path, {.delimiter = delimiter, .typed = false});
}

QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path) {
  return readDelimitedFile(path, {.delimiter = std::nullopt, .typed = false});
}

}  // namespace Tirr_NSArrayAdditions
