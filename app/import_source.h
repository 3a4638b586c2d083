// Opening a call-list file for import: the checks that come before any
// reading (a regular file, readable, text), the encoding, and the header line.
// Spreadsheets save "Unicode text" as UTF-16 with a byte-order mark and
// "Text (tab delimited)" in Windows-1252; both load like a UTF-8 file.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "collections/delimited_file_reader.h"

enum class ImportEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

// The encoding's name for the user: "UTF-8", "UTF-16LE", "UTF-16BE", "Windows-1252".
[[nodiscard]] QString importEncodingName(ImportEncoding encoding);

// A call-list file checked and opened for import. Its descriptor stays open
// while the object lives, so the file read is the file checked: a file
// swapped for a named pipe in between cannot block the reading.
class ImportSource {
 public:
  // Opens `path`, refusing before it opens anything that is not a regular
  // file (a named pipe would block the open for ever). Reads the start of the
  // file to tell its encoding and find the header. On failure answers nothing
  // and sets `problem` to the cause, for the user: "permission denied", "it is
  // a named pipe, not a regular file", "it is not a text file", ...
  [[nodiscard]] static std::optional<ImportSource> open(const QString& path, QString* problem);

  ImportSource(ImportSource&& other) noexcept;
  ImportSource& operator=(ImportSource&&) = delete;
  ~ImportSource();

  [[nodiscard]] ImportEncoding encoding() const { return encoding_; }
  // The file's size in bytes when it was opened.
  [[nodiscard]] qint64 size() const { return size_; }
  // "\t" when the file's very first line holds a tab, "," otherwise.
  [[nodiscard]] const QString& delimiter() const { return delimiter_; }
  // The first line that is neither empty nor a "#" comment; nothing when
  // there is none.
  [[nodiscard]] const std::optional<QString>& headerLine() const { return header_; }

  // Receives the file's fields; restart() drops what it was given before.
  class Handler : public DelimitedFieldHandler {
   public:
    virtual void restart() = 0;
  };
  // Hands the header and the fields of the data lines to `handler`, every
  // cell as the line parser finished it. A file that began as UTF-8 and is
  // not UTF-8 further on is read again as Windows-1252 (after a restart()),
  // and encoding() says so. Answers false, with `problem` set, when the file
  // cannot be read to its end.
  [[nodiscard]] bool readFields(Handler& handler, QString* problem);

 private:
  ImportSource(QString path, int fd) : path_(std::move(path)), fd_(fd) {}
  [[nodiscard]] std::optional<QString> inspect();
  [[nodiscard]] std::optional<QByteArray> readFrom(qint64 offset, qint64 limit) const;
  [[nodiscard]] std::optional<QString> decodeWhole();

  QString path_;
  int fd_ = -1;
  qint64 size_ = 0;  // as the file was when opened
  ImportEncoding encoding_ = ImportEncoding::Utf8;
  QString delimiter_ = QStringLiteral(",");
  std::optional<QString> header_;
  std::optional<QString> text_;  // the whole decoded text, for files not read as UTF-8
};
