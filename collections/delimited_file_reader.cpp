#include "collections/delimited_file_reader.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "collections/delimited_field_scanner.h"
#include "collections/delimited_typing.h"
#include "text/paragraph_scanner.h"
#include "text/string_core.h"

namespace {

// The length of the longest prefix of `bytes` that does not end inside a
// UTF-8 sequence. Broken sequences are left for the decoder to reject.
qsizetype completeUtf8Prefix(QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  for (qsizetype back = 1; back <= 4 && back <= n; ++back) {
    const auto c = static_cast<unsigned char>(bytes[n - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const qsizetype length = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    return length > back ? n - back : n;
  }
  return n;
}

// Removes the first `count` elements of a buffer in place. Unlike remove(),
// which may only move the buffer's start forward, this keeps the room at the
// end that the next block is decoded into: the buffers stay where they are,
// already in memory, instead of wandering into fresh pages.
template <typename Buffer>
void dropFront(Buffer& buffer, qsizetype count) {
  const qsizetype kept = buffer.size() - count;
  if (kept > 0) std::memmove(buffer.data(), buffer.constData() + count, size_t(kept) * sizeof(*buffer.constData()));
  buffer.resize(kept);
}

// Reads a file as UTF-8 and hands its text on in pieces that end just after a
// line terminator (the last piece wherever the file ends), so no line is ever
// cut. A CR LF pair may still fall across two pieces; the line reader sees an
// extra empty line there, and empty lines are skipped anyway.
class Utf8LineBlocks {
 public:
  explicit Utf8LineBlocks(qint64 blockBytes) : blockBytes_(std::max<qint64>(1, blockBytes)) {}

  // Calls `take(QStringView)` for each piece. Answers false when the file
  // cannot be read or is not valid UTF-8; pieces handed on before then are
  // not taken back, so the caller drops what it built.
  template <typename Take>
  bool read(const QString& path, Take&& take) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QByteArray bytes;  // read but not yet decoded: at most an unfinished sequence
    QString text;      // decoded but not yet handed on: at most an unfinished line
    qsizetype searched = 0;
    bool atStart = true;
    for (;;) {
      const qsizetype kept = bytes.size();
      bytes.resize(kept + blockBytes_);
      const qint64 got = file.read(bytes.data() + kept, blockBytes_);
      if (got < 0) return false;
      bytes.resize(kept + got);
      const bool atEnd = got == 0;

      const qsizetype usable = atEnd ? bytes.size() : completeUtf8Prefix(bytes);
      const qsizetype before = text.size();
      text.resize(before + decoder.requiredSpace(usable));
      const QChar* end = decoder.appendToBuffer(text.data() + before, QByteArrayView(bytes).first(usable));
      if (decoder.hasError()) return false;
      text.truncate(end - text.constData());
      dropFront(bytes, usable);

      qsizetype from = 0;
      if (atStart && !text.isEmpty()) {
        if (text.front() == QChar(0xFEFF)) from = 1;  // a byte-order mark is not text
        atStart = false;
      }
      if (atEnd) {
        if (text.size() > from) take(QStringView(text).sliced(from));
        return true;
      }
      qsizetype cut = text.size();
      while (cut > searched && !ParagraphScanner::isTerminator(text[cut - 1].unicode())) --cut;
      if (cut > searched && cut > from) {
        take(QStringView(text).sliced(from, cut - from));
        dropFront(text, cut);
        searched = 0;
      } else {
        if (from > 0) dropFront(text, from);
        searched = text.size();
      }
    }
  }

 private:
  qint64 blockBytes_;
};

// The header's column names and, for building records, each distinct name
// once, in the records' key order, with the columns that bear it.
class HeaderLayout {
 public:
  // Splits `line` at every occurrence of `delimiter`, and nothing more: no
  // trimming, no quote handling. An empty delimiter gives one column.
  HeaderLayout(QStringView line, QStringView delimiter) {
    std::vector<QString> columns;
    if (delimiter.isEmpty()) {
      columns.push_back(line.toString());
    } else {
      qsizetype from = 0;
      for (qsizetype at; (at = line.indexOf(delimiter, from)) >= 0; from = at + delimiter.size())
        columns.push_back(line.sliced(from, at - from).toString());
      columns.push_back(line.sliced(from).toString());
    }
    columnCount_ = columns.size();
    std::map<QString, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < columns.size(); ++i) byName[columns[i]].push_back(i);
    for (auto& [name, indexes] : byName) keys_.push_back({name, std::move(indexes)});
  }

  [[nodiscard]] std::size_t columnCount() const { return columnCount_; }

  // Builds the record of a line's first cells: every column below
  // cells.size() gets its cell, and of columns with the same name the last
  // one wins. Takes the values out of `cells`. The key strings are shared
  // with the header, not copied.
  [[nodiscard]] QVariantMap record(std::vector<QVariant>& cells) const {
    std::map<QString, QVariant> entries;
    for (const Key& key : keys_) {
      const auto last = std::find_if(key.columns.rbegin(), key.columns.rend(),
                                     [&](std::size_t column) { return column < cells.size(); });
      if (last != key.columns.rend()) entries.emplace_hint(entries.end(), key.name, std::move(cells[*last]));
    }
    return QVariantMap(std::move(entries));
  }

 private:
  struct Key {
    QString name;
    std::vector<std::size_t> columns;  // ascending
  };
  std::size_t columnCount_ = 0;
  std::vector<Key> keys_;  // in QString order, as QVariantMap keeps them
};

// Turns lines into fields: "#" lines and empty lines are skipped everywhere,
// the first other line is the header, and every later one a data line whose
// fields go to the handler.
class FieldDriver {
 public:
  FieldDriver(std::optional<QString> delimiter, DelimitedFieldHandler& handler)
      : delimiter_(std::move(delimiter)), handler_(handler) {}

  void takeLines(QStringView text) {
    ParagraphScanner lines(text);
    QStringView line;
    while (lines.next(line)) {
      if (!delimiter_) delimiter_ = delimiterForFirstLine(line);
      if (line.isEmpty() || line.front() == u'#') continue;
      if (!headerSeen_) {
        headerSeen_ = true;
        handler_.header(line, *delimiter_);
        continue;
      }
      qsizetype column = 0;
      fields_.scan(line, *delimiter_, [&](QStringView field) { return handler_.field(column++, field); });
      handler_.endLine(column);
    }
  }

 private:
  // "\t" when the file's very first line, whatever it is, holds a tab.
  static QString delimiterForFirstLine(QStringView line) {
    const bool tab = Tirr_NSStringAdditions::containsString(line.toString(), QStringLiteral("\t"), false);
    return tab ? QStringLiteral("\t") : QStringLiteral(",");
  }

  std::optional<QString> delimiter_;
  DelimitedFieldHandler& handler_;
  bool headerSeen_ = false;
  DelimitedFieldScanner fields_;
};

// Builds a record of each data line's first cells.
class RecordBuilder final : public DelimitedFieldHandler {
 public:
  explicit RecordBuilder(bool typed) : makeValue_(typed ? typedDelimitedCell : textCell) {}

  void header(QStringView line, QStringView delimiter) override { header_.emplace(line, delimiter); }

  // Only the first columnCount fields can reach the record, so the scan
  // stops there: a line of a million fields costs no more than the header.
  bool field(qsizetype, QStringView text) override {
    cells_.push_back(makeValue_(text));
    return cells_.size() < header_->columnCount();
  }

  void endLine(qsizetype) override {
    if (!cells_.empty()) records_.append(header_->record(cells_));
    cells_.clear();
  }

  [[nodiscard]] QList<QVariantMap> takeRecords() { return std::move(records_); }

 private:
  static QVariant textCell(QStringView field) { return QVariant(field.toString()); }

  QVariant (*makeValue_)(QStringView);
  std::optional<HeaderLayout> header_;
  std::vector<QVariant> cells_;
  QList<QVariantMap> records_;
};

}  // namespace

bool readDelimitedFileFields(const QString& path, const DelimitedReadOptions& options,
                             DelimitedFieldHandler& handler) {
  FieldDriver driver(options.delimiter, handler);
  Utf8LineBlocks blocks(options.blockBytes);
  return blocks.read(path, [&](QStringView text) { driver.takeLines(text); });
}

void readDelimitedTextFields(QStringView text, const DelimitedReadOptions& options,
                             DelimitedFieldHandler& handler) {
  FieldDriver driver(options.delimiter, handler);
  driver.takeLines(text);
}

QList<QVariantMap> readDelimitedFile(const QString& path, const DelimitedReadOptions& options) {
  RecordBuilder builder(options.typed);
  if (!readDelimitedFileFields(path, options, builder)) return {};
  return builder.takeRecords();
}

QList<QVariantMap> readDelimitedText(QStringView text, const DelimitedReadOptions& options) {
  RecordBuilder builder(options.typed);
  readDelimitedTextFields(text, options, builder);
  return builder.takeRecords();
}
