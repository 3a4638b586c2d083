#include "collections/delimited_file.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "collections/delimited_field_scanner.h"
#include "collections/delimited_typing.h"
#include "text/paragraph_scanner.h"
#include "text/string_core.h"

namespace Tirr_NSArrayAdditions {

namespace {

// A file's text decoded from UTF-8, without the byte-order mark a
// spreadsheet export may begin with.
struct FileText {
  QString decoded;
  qsizetype start = 0;  // 1 after a byte-order mark
  [[nodiscard]] QStringView text() const { return QStringView(decoded).sliced(start); }
};

// Answers the whole file decoded as UTF-8, or nothing when the file cannot be
// read or is not valid UTF-8 (a truncated sequence at the end included). NUL
// and other control characters are ordinary characters.
std::optional<FileText> readUtf8File(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  FileText result;
  result.decoded = decoder.decode(bytes);
  if (decoder.hasError()) return std::nullopt;
  bytes = QByteArray();  // the text is all that is needed from here on
  if (result.decoded.startsWith(QChar(0xFEFF))) result.start = 1;
  return result;
}

// The header's column names and, for building records, each distinct name
// once in the records' key order with the columns that bear it.
class HeaderLayout {
 public:
  // Splits `line` at every occurrence of `delimiter`, and nothing more: no
  // trimming, no quote handling. An empty delimiter gives one column.
  HeaderLayout(QStringView line, QStringView delimiter) {
    QStringList columns;
    if (delimiter.isEmpty()) {
      columns.append(line.toString());
    } else {
      qsizetype from = 0;
      for (qsizetype at; (at = line.indexOf(delimiter, from)) >= 0; from = at + delimiter.size())
        columns.append(line.sliced(from, at - from).toString());
      columns.append(line.sliced(from).toString());
    }
    columnCount_ = columns.size();
    for (qsizetype i = 0; i < columns.size(); ++i) keys_.push_back({columns[i], {i}});
    std::stable_sort(keys_.begin(), keys_.end(), [](const Key& a, const Key& b) { return a.name < b.name; });
    // Merge equal names, keeping their columns in ascending order.
    std::vector<Key> merged;
    for (Key& key : keys_) {
      if (!merged.empty() && merged.back().name == key.name) {
        merged.back().columns.push_back(key.columns.front());
      } else {
        merged.push_back(std::move(key));
      }
    }
    keys_ = std::move(merged);
  }

  [[nodiscard]] std::size_t columnCount() const { return std::size_t(columnCount_); }

  // Builds the record of a line's first cells: every column below
  // cells.size() gets its cell, and of columns with the same name the last
  // one wins. Takes the values out of `cells`. The key strings are shared
  // with the header, not copied.
  [[nodiscard]] QVariantMap record(std::vector<QVariant>& cells) const {
    std::map<QString, QVariant> entries;
    const qsizetype reached = qsizetype(cells.size());
    for (const Key& key : keys_) {
      auto last =
          std::find_if(key.columns.rbegin(), key.columns.rend(), [&](qsizetype c) { return c < reached; });
      if (last != key.columns.rend()) entries.emplace_hint(entries.end(), key.name, std::move(cells[*last]));
    }
    return QVariantMap(std::move(entries));
  }

 private:
  struct Key {
    QString name;
    std::vector<qsizetype> columns;
  };
  qsizetype columnCount_ = 0;
  std::vector<Key> keys_;
};

// Reads the records of `text`: "#" lines and empty lines are skipped
// everywhere, the first other line is the header, and every later one a data
// line whose first cells become a record through `makeValue`.
template <typename MakeValue>
QList<QVariantMap> readRecords(QStringView text, QStringView delimiter, MakeValue makeValue) {
  QList<QVariantMap> records;
  ParagraphScanner lines(text);
  std::optional<HeaderLayout> header;
  DelimitedFieldScanner fields;
  std::vector<QVariant> cells;
  QStringView line;
  while (lines.next(line)) {
    if (line.isEmpty() || line.front() == u'#') continue;
    if (!header) {
      header.emplace(line, delimiter);
      continue;
    }
    // Only the first columnCount fields can reach the record, so the scan
    // stops there; a line of a million fields costs no more than the header.
    cells.clear();
    const std::size_t wanted = header->columnCount();
    fields.scan(line, delimiter, [&](QStringView field) {
      cells.push_back(makeValue(field));
      return cells.size() < wanted;
    });
    if (!cells.empty()) records.append(header->record(cells));
  }
  return records;
}

// The delimiter of a file's text: "\t" when its very first line, whatever it
// is, holds a tab; "," otherwise.
QString chosenDelimiter(QStringView text) {
  ParagraphScanner lines(text);
  QStringView first;
  if (lines.next(first) &&
      Tirr_NSStringAdditions::containsString(first.toString(), QStringLiteral("\t"), false))
    return QStringLiteral("\t");
  return QStringLiteral(",");
}

QVariant textCell(QStringView field) { return QVariant(field.toString()); }

}  // namespace

QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path, const QString& delimiter) {
  const std::optional<FileText> file = readUtf8File(path);
  if (!file) return {};
  return readRecords(file->text(), delimiter, typedDelimitedCell);
}

QList<QVariantMap> arrayWithContentsOfDelimitedFile(const QString& path) {
  // The file is read once and the delimiter chosen from the text in hand, so
  // a file that changes meanwhile cannot be judged by one content and read as another.
  const std::optional<FileText> file = readUtf8File(path);
  if (!file) return {};
  return readRecords(file->text(), chosenDelimiter(file->text()), typedDelimitedCell);
}

QList<QVariantMap> arrayWithContentsOfTSVFile(const QString& path) {
  return arrayWithContentsOfDelimitedFile(path, QStringLiteral("\t"));
}

QList<QVariantMap> arrayWithContentsOfCSVFile(const QString& path) {
  return arrayWithContentsOfDelimitedFile(path, QStringLiteral(","));
}

QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path, const QString& delimiter) {
  const std::optional<FileText> file = readUtf8File(path);
  if (!file) return {};
  return readRecords(file->text(), delimiter, textCell);
}

QList<QVariantMap> textRecordsWithContentsOfDelimitedFile(const QString& path) {
  const std::optional<FileText> file = readUtf8File(path);
  if (!file) return {};
  return readRecords(file->text(), chosenDelimiter(file->text()), textCell);
}

}  // namespace Tirr_NSArrayAdditions
