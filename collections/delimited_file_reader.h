// The streaming engine behind the delimited file reader's entry points: reads
// a file in blocks, decodes each block once and turns its complete lines into
// records while the block is in cache, so a large file is never held whole.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QVariantMap>
#include <optional>

struct DelimitedReadOptions {
  // The delimiter; none means "\t" when the file's very first line holds a
  // tab, "," otherwise.
  std::optional<QString> delimiter;
  // Typed cells (qint64, float, bool, QString), or every cell as its text.
  bool typed = true;
  // Bytes read at a time. Any size gives the same records; tests use tiny ones.
  qint64 blockBytes = qint64{1} << 20;
};

// Answers the records of the file at `path`: the first line that is neither
// empty nor a "#" comment is the header, every later such line a record of
// its first cells. A file that cannot be read or is not valid UTF-8 anywhere
// gives an empty list; a UTF-8 byte-order mark at the start is not text.
[[nodiscard]] QList<QVariantMap> readDelimitedFile(const QString& path, const DelimitedReadOptions& options);

// The same records from text the caller has already read and decoded (a file
// in another encoding than UTF-8). A byte-order mark is not stripped here.
[[nodiscard]] QList<QVariantMap> readDelimitedText(QStringView text, const DelimitedReadOptions& options);

// For readers that build records of their own: the header line once, then
// each data line's finished fields, with the same lines skipped and the same
// fields found as for the records above.
class DelimitedFieldHandler {
 public:
  virtual ~DelimitedFieldHandler() = default;
  // The header line as it stands, and the delimiter in force.
  virtual void header(QStringView line, QStringView delimiter) = 0;
  // Field `column` (from 0) of the current data line; the view lives until
  // the call returns. Answering false passes over the rest of the line.
  virtual bool field(qsizetype column, QStringView text) = 0;
  // The data line ended after `fields` fields (0 for a line whose only field
  // was a quoted one left open).
  virtual void endLine(qsizetype fields) = 0;
};

// Reads the file at `path` as readDelimitedFile() does, handing the fields
// to `handler`; answers false when it cannot be read or is not valid UTF-8,
// after handing on what came before the fault.
bool readDelimitedFileFields(const QString& path, const DelimitedReadOptions& options,
                             DelimitedFieldHandler& handler);
// The same for text already read and decoded.
void readDelimitedTextFields(QStringView text, const DelimitedReadOptions& options,
                             DelimitedFieldHandler& handler);
