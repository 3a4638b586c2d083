// Building call records from a delimited file.
//
// The records come from the reader's untyped form, the cell text as the line
// parser finished it: a telephone number such as 555-1234 or 0800123456, a
// note "yes" or a date 2026-12-06 must arrive as written, not as the integer,
// boolean or number the reader's typing would make of it. Only "index" and
// "success" are typed, because their meaning depends on the type.
#include <QStringList>
#include <cmath>

#include "app/call_list_io.h"
#include "collections/delimited_file.h"
#include "text/string_numbers.h"
#include "text/system_log.h"

namespace {

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

QString describeMissing(const QString& path, qsizetype recordNumber, const QStringList& missing,
                        const QVariantMap& record) {
  QStringList quoted;
  for (const QString& key : missing) quoted << u'"' + key + u'"';
  return QStringLiteral("cannot import \"%1\": data record %2 has no %3 value (its columns: %4)")
      .arg(path, QString::number(recordNumber), quoted.join(QStringLiteral(", ")),
           record.keys().join(QStringLiteral(", ")));
}

CallList singleColumnRecords(const QList<QVariantMap>& cells) {
  // Every record holds the first record's column: rows fill columns from the left.
  const QString column = cells.first().firstKey();
  CallList records;
  records.reserve(cells.size());
  qint64 counter = 1;
  for (const QVariantMap& row : cells) {
    records.append({{CallKeys::index, counter++},
                    {CallKeys::number, row.value(column)},
                    {CallKeys::success, false},
                    {CallKeys::note, QString()}});
  }
  return records;
}

// Turns one row of cell texts into a call record in place; answers the keys
// that a call record needs and the row lacks.
QStringList buildNamedRecord(QVariantMap& row) {
  QStringList missing;
  for (const QString* key : {&CallKeys::index, &CallKeys::number, &CallKeys::note})
    if (!row.contains(*key)) missing << *key;
  if (!missing.isEmpty()) return missing;
  for (auto it = row.begin(); it != row.end();) {
    const QString& key = it.key();
    if (key == CallKeys::index) {
      it.value() = typedDelimitedValue(it.value().toString());
    } else if (key == CallKeys::success) {
      it.value() = successFromCell(it.value().toString());
    } else if (key == CallKeys::date) {
      const std::optional<QDateTime> date = parseCallDate(it.value().toString());
      if (!date) {
        it = row.erase(it);
        continue;
      }
      it.value() = *date;
    } else if (key != CallKeys::number && key != CallKeys::note) {
      it = row.erase(it);
      continue;
    }
    ++it;
  }
  if (!row.contains(CallKeys::success)) row.insert(CallKeys::success, false);
  return {};
}

}  // namespace

ImportOutcome importCallList(const QString& path) {
  QList<QVariantMap> rows = Tirr_NSArrayAdditions::textRecordsWithContentsOfDelimitedFile(path);
  if (rows.isEmpty()) return {};
  if (rows.first().size() == 1) return {ImportOutcome::Status::Loaded, singleColumnRecords(rows), {}};
  for (qsizetype i = 0; i < rows.size(); ++i) {
    const QStringList missing = buildNamedRecord(rows[i]);  // leaves the row alone when it fails
    if (missing.isEmpty()) continue;
    const QString error = describeMissing(path, i + 1, missing, rows[i]);
    systemLog(QStringLiteral("error: ") + error);
    return {ImportOutcome::Status::Failed, {}, error};
  }
  return {ImportOutcome::Status::Loaded, std::move(rows), {}};
}
