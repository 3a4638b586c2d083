// Building call records from a delimited file.
//
// The records come from the reader's untyped form, the cell text as the line
// parser finished it: a telephone number such as 555-1234 or 0800123456, a
// note "yes" or a date 2026-12-06 must arrive as written, not as the integer,
// boolean or number the reader's typing would make of it. Only "index" and
// "success" are typed, because their meaning depends on the type.
#include <QSet>
#include <QStringList>
#include <cmath>
#include <utility>
#include <vector>

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "app/date_column_reading.h"
#include "app/import_source.h"
#include "collections/delimited_file.h"
#include "collections/delimited_line.h"
#include "text/string_numbers.h"
#include "text/system_log.h"

namespace {

// Column names a message lists before it only counts the rest.
constexpr qsizetype kNamedColumns = 5;

// True when the integer conversion of the typed cell is non-zero: a boolean
// is itself, a fraction is cut to its integer part, text gives its leading digits.
bool successFromCell(const QString& cell) {
  const QVariant typed = typedDelimitedValue(cell);
  switch (typed.typeId()) {
    case QMetaType::Bool:
      return typed.toBool();
    case QMetaType::LongLong:
      return typed.toLongLong() != 0;
    case QMetaType::Float:
    case QMetaType::Double:
      return std::abs(typed.toDouble()) >= 1.0;
    default:
      return integerValue(typed.toString()) != 0;  // "done" -> 0
  }
}

ImportOutcome failed(const QString& path, const QString& reason) {
  const QString error = QStringLiteral("cannot import \"%1\": %2").arg(path, reason);
  systemLog(QStringLiteral("error: ") + error);
  ImportOutcome outcome;
  outcome.status = ImportOutcome::Status::Failed;
  outcome.error = error;
  outcome.reason = reason;
  return outcome;
}

QString quotedList(const QStringList& names, qsizetype limit) {
  QStringList quoted;
  for (qsizetype i = 0; i < names.size() && i < limit; ++i) quoted << u'"' + names[i] + u'"';
  QString text = quoted.join(QStringLiteral(", "));
  if (names.size() > limit) text += QStringLiteral(" and %1 more").arg(names.size() - limit);
  return text;
}

QString describeMissing(const QStringList& missing, const QStringList& columns) {
  const QString lacking =
      missing.size() == 1 ? QStringLiteral("it has no %1 column") : QStringLiteral("it has no columns %1");
  return lacking.arg(quotedList(missing, missing.size())) +
         QStringLiteral(" (its columns: %1)").arg(quotedList(columns, kNamedColumns));
}

// The header's column names: the line split at the delimiter and nothing more.
QStringList headerColumns(const QString& line, const QString& delimiter) {
  return line.split(delimiter, Qt::KeepEmptyParts);
}

// The first line of a one-column file as a telephone number: digits and the
// separators people write between them, at least one digit and no letter.
// Example: "555 0100", "+49 (30) 123-45" are numbers; "Phone", "Nr. 1" are not.
std::optional<QString> headerAsNumber(const QString& line, const QString& delimiter) {
  const QString field =
      Tirr_NSStringAdditions::arrayByParsingLineDelimitedWithDelimiter(line, delimiter).value(0);
  bool digit = false;
  for (const QChar c : field) {
    if (c.isDigit()) {
      digit = true;
    } else if (!c.isSpace() && !QStringView(u"-./()+*#").contains(c)) {
      return std::nullopt;
    }
  }
  return digit ? std::optional(field) : std::nullopt;
}

CallList singleColumnRecords(const QList<QVariantMap>& rows, const QString& column,
                             const std::optional<QString>& headerEntry) {
  CallList records;
  records.reserve(rows.size() + 1);
  qint64 counter = 1;
  auto append = [&](const QVariant& number) {
    records.append({{CallKeys::index, counter++},
                    {CallKeys::number, number},
                    {CallKeys::success, false},
                    {CallKeys::note, QString()}});
  };
  if (headerEntry) append(*headerEntry);
  for (const QVariantMap& row : rows) append(row.value(column));
  return records;
}

// Turns one row of cell texts into a call record in place. Cells a short
// row leaves out are empty; the date is set later, for the whole column at once.
void buildNamedRecord(QVariantMap& row) {
  for (auto it = row.begin(); it != row.end();) {
    const QString& key = it.key();
    if (key == CallKeys::index) {
      it.value() = typedDelimitedValue(it.value().toString());
    } else if (key == CallKeys::success) {
      it.value() = successFromCell(it.value().toString());
    } else if (key != CallKeys::number && key != CallKeys::note && key != CallKeys::date) {
      it = row.erase(it);
      continue;
    }
    ++it;
  }
  for (const QString* key : {&CallKeys::index, &CallKeys::number, &CallKeys::note})
    if (!row.contains(*key)) row.insert(*key, QString());
  if (!row.contains(CallKeys::success)) row.insert(CallKeys::success, false);
}

// The date text of a record, trimmed; nothing when it has none or it is empty.
std::optional<QString> dateText(const QVariantMap& record) {
  const auto it = record.constFind(CallKeys::date);
  if (it == record.cend()) return std::nullopt;
  QString text = it->toString().trimmed();
  return text.isEmpty() ? std::nullopt : std::optional(std::move(text));
}

// The usual case, read without building a list of texts: the user's own
// export form reads every date. Sets them and answers true, or answers false
// and changes nothing.
bool readDatesInOwnForm(CallList& records) {
  const CallDateForm own = CallDateForm::currentExportForm();
  std::vector<qint64> msecs;
  for (const QVariantMap& record : std::as_const(records)) {
    const std::optional<QString> text = dateText(record);
    if (!text) continue;
    const std::optional<QDateTime> date = own.read(*text);
    if (!date) return false;
    msecs.push_back(date->toMSecsSinceEpoch());
  }
  auto next = msecs.cbegin();
  for (QVariantMap& record : records) {
    const auto it = record.find(CallKeys::date);
    if (it == record.end()) continue;
    if (it->toString().trimmed().isEmpty())
      record.erase(it);
    else
      it.value() = QDateTime::fromMSecsSinceEpoch(*next++, Qt::UTC);
  }
  return true;
}

// Replaces every record's date text by the date it reads as, found for the
// column as a whole; a date that does not read, or an empty cell, leaves none.
void readDates(CallList& records, ImportOutcome& outcome) {
  if (readDatesInOwnForm(records)) return;
  QStringList texts;
  QList<qsizetype> rows;
  for (qsizetype i = 0; i < records.size(); ++i) {
    std::optional<QString> text = dateText(records[i]);
    if (!text) {
      records[i].remove(CallKeys::date);
      continue;
    }
    texts << std::move(*text);
    rows << i;
  }
  const DateColumnReading reading = readDateColumn(texts);
  for (qsizetype k = 0; k < rows.size(); ++k) {
    if (const std::optional<QDateTime>& date = reading.dates[k])
      records[rows[k]].insert(CallKeys::date, *date);
    else
      records[rows[k]].remove(CallKeys::date);
  }
  outcome.dateForm = reading.form;
  outcome.unreadDates = reading.unread;
}

}  // namespace

ImportOutcome importCallList(const QString& path) {
  QString problem;
  std::optional<ImportSource> source = ImportSource::open(path, &problem);
  if (!source) return failed(path, problem);
  QList<QVariantMap> rows = source->textRecords(&problem);
  if (!problem.isEmpty()) return failed(path, problem);

  ImportOutcome outcome;
  outcome.encoding = importEncodingName(source->encoding());
  if (!source->headerLine()) {
    outcome.reason = QStringLiteral("it holds no lines to read");
    return outcome;
  }
  const QStringList columns = headerColumns(*source->headerLine(), source->delimiter());
  const QSet<QString> names(columns.begin(), columns.end());
  if (names.size() == 1) {
    outcome.headerEntry = headerAsNumber(*source->headerLine(), source->delimiter());
    if (rows.isEmpty() && !outcome.headerEntry) {
      outcome.reason = QStringLiteral("it has a header line but no entries");
      return outcome;
    }
    outcome.records = singleColumnRecords(rows, columns.first(), outcome.headerEntry);
    outcome.status = ImportOutcome::Status::Loaded;
    return outcome;
  }
  QStringList missing;
  for (const QString* key : {&CallKeys::index, &CallKeys::number, &CallKeys::note})
    if (!names.contains(*key)) missing << *key;
  if (!missing.isEmpty()) return failed(path, describeMissing(missing, columns));
  if (rows.isEmpty()) {
    outcome.reason = QStringLiteral("it has a header line but no entries");
    return outcome;
  }
  for (QVariantMap& row : rows) buildNamedRecord(row);
  readDates(rows, outcome);
  outcome.records = std::move(rows);
  outcome.status = ImportOutcome::Status::Loaded;
  return outcome;
}
