// Reads a tab- or comma-delimited text file with a header row into records
// keyed by the header's column names.
#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace Tirr_NSArrayAdditions {

// One record per data line, values typed as qint64, float, bool or QString.
// Empty and "#" lines are skipped; the first other line is the header, split
// plainly at `delimiter` (no trimming, no quote removal); a record holds the
// line's first min(columns, fields) cells, a later duplicate column winning.
// A file that cannot be read, is not UTF-8 or has no data line gives an empty
// list; a byte-order mark at the start is not part of the first column name.
// Example: header "name,number", line "\"Smith, John\",555-1234"
//          -> {name: "Smith, John", number: 555 (qint64)}.
[[nodiscard]] QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path,
                                                                  const QString& delimiter);
// The same with the delimiter chosen from the file's very first line: tab when it holds one, else comma.
[[nodiscard]] QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path);
[[nodiscard]] QList<QVariantMap> arrayWithContentsOfTSVFile(const QString& path);
[[nodiscard]] QList<QVariantMap> arrayWithContentsOfCSVFile(const QString& path);

// The same records as arrayWithContentsOfDelimitedFile(path), but every value is
// the QString the line parser finished, untyped: "0800123456" stays that text.
[[nodiscard]] QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path);
// The same with a given delimiter.
[[nodiscard]] QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path,
                                                                        const QString& delimiter);

}  // namespace Tirr_NSArrayAdditions

// Types one finished field text by the reader's rules: text-only values, then
// integer characters (qint64), float characters (float), true words, false words.
// Example: "0049" -> 49;  "555.123.4567" -> 555.123f;  "YES" -> true;  "+15" -> "+15".
[[nodiscard]] QVariant typedDelimitedValue(const QString& field);
