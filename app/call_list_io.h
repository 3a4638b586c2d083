// The logic of the user's three actions on the call list, as plain functions
// that tests call without a window: building call records from a file, the
// dial script and its hand-off to the dialer, and the export text.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

#include "app/call_list.h"

// The text of a stored number value: text unchanged, integers in decimal,
// floating-point numbers in the shortest plain decimal that reads back the same
// (555.123f -> "555.123", never an exponent). Nothing for other kinds of value.
[[nodiscard]] std::optional<QString> numberText(const QVariant& value);

// What reading a call-list file gave.
struct ImportOutcome {
  enum class Status { Nothing, Failed, Loaded };
  Status status = Status::Nothing;
  CallList records;  // Loaded: the new list, in file order
  QString error;     // Failed: the description logged as "error: %@"
  QString reason;    // Failed or Nothing: the cause, for the user ("permission denied")
  QString encoding;  // the encoding the file was read in ("UTF-8", "Windows-1252", ...)
  // Set when the first line of a one-column file was a telephone number and
  // became the first entry instead of the column's name.
  std::optional<QString> headerEntry;
  QString dateForm;           // the form dates were read in when not the user's own
  qsizetype unreadDates = 0;  // date cells that no reading understood, left without a date
};

// Reads `path` (UTF-8, UTF-16 with a byte-order mark, or Windows-1252) with
// the delimited line parser and builds call records (single-column or
// named-column layout). Logs "error: %@" on failure.
[[nodiscard]] ImportOutcome importCallList(const QString& path);

// The dial script for a record's number, or nothing when there is no number
// or it is blank. A number value is written in plain decimal.
[[nodiscard]] std::optional<QString> dialScriptFor(const QVariant& number);

// Runs a dial script; answers false when no dialer could be reached (the
// script's own try block swallows the failure, the caller only reports it).
struct DialOutcome {
  bool reached = false;
  QString problem;  // why not, for the status bar
  QString sent;     // reached: the tel: URI or command line that went to the dialer
};
[[nodiscard]] DialOutcome runDialScript(const QString& script);

// The export file's whole text, UTF-8, for `records` in content order.
[[nodiscard]] QByteArray exportText(const CallList& records);

// Writes an export file atomically, readable as the user's umask allows; on
// failure answers the reason and leaves the target as it was.
[[nodiscard]] std::optional<QString> writeExportFile(const QString& path, const QByteArray& bytes);

// Writes the export file of `records` as writeExportFile(path, exportText(records))
// does, a chunk at a time as it is made, without holding the whole text.
[[nodiscard]] std::optional<QString> writeExportFile(const QString& path, const CallList& records);

// The table's and the export's text for a call date: the user's locale, short
// date and medium time style, the local time zone.
[[nodiscard]] QString formatCallDate(const QDateTime& date);

// Reads a date text back (the export's own form and the other forms the
// import accepts); nothing when it does not parse.
[[nodiscard]] std::optional<QDateTime> parseCallDate(const QString& text);
