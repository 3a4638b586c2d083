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
#include "collections/delimited_typing.h"
#include "text/string_numbers.h"
#include "text/system_log.h"

namespace {

// Column names a message lists before it only counts the rest.
constexpr qsizetype kNamedColumns = 5;

// True when the integer conversion of the typed cell is non-zero: a boolean
// is itself, a fraction is cut to its integer part, text gives its leading digits.
bool successFromCell(QStringView cell) {
  const QVariant typed = typedDelimitedCell(cell);
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

// Builds the call list straight from the file's fields, without a
// dictionary per row. Single-column layout: every line's cell is a number,
// counted from 1. Named layout: the columns named after the five keys fill
// them, any other column is passed over, and of columns with the same name
// the last cell present wins. Cells a short row leaves out are empty; date
// cells are kept as text until the whole column can be read at once.
class CallListImport final : public ImportSource::Handler {
 public:
  CallListImport(const QStringList& columns, bool singleColumn, std::optional<QString> headerEntry,
                 qint64 fileBytes)
      : singleColumn_(singleColumn), headerEntry_(std::move(headerEntry)), fileBytes_(fileBytes) {
    for (const QString& name : columns)
      slots_.push_back(singleColumn ? std::optional(CallField::Number) : callFieldOf(name));
    restart();
  }

  void restart() override {
    builder_ = CallListBuilder();
    builder_.reserve(recordEstimate(), textEstimate());
    dateChars_ = {};
    dateCells_ = {};
    counter_ = 1;
    inLine_ = false;
    // A number that became the first entry instead of the column's name.
    if (headerEntry_) {
      beginLine();
      set(CallField::Number, *headerEntry_);
      endLine(1);
    }
  }

  // The header was read when the file was opened.
  void header(QStringView, QStringView) override {}

  bool field(qsizetype column, QStringView text) override {
    if (!inLine_) beginLine();
    const std::optional<CallField> slot = slots_[size_t(column)];
    if (slot) set(*slot, text);
    return column + 1 < qsizetype(slots_.size());
  }

  void endLine(qsizetype) override {
    if (!inLine_) return;
    inLine_ = false;
    for (const CallField f : {CallField::Index, CallField::Number, CallField::Note})
      if (builder_.field(f).kind == CallValue::Kind::Absent) builder_.setText(f, {});
    if (builder_.field(CallField::Success).kind == CallValue::Kind::Absent)
      setBool(CallField::Success, false);
  }

  // The list, with the date texts read (see readDates()).
  CallList finish(ImportOutcome& outcome) {
    CallList list = builder_.finish();
    readDates(list, outcome);
    return list;
  }

  [[nodiscard]] qsizetype count() const { return builder_.count(); }

 private:
  // A line is at least a few bytes, and no text is longer than the file.
  // Capacity never written costs address space only.
  qsizetype recordEstimate() const { return qsizetype(std::min<qint64>(fileBytes_ / 8 + 16, qint64(1) << 24)); }
  qsizetype textEstimate() const { return qsizetype(std::min<qint64>(fileBytes_, qint64(1) << 30)); }

  void beginLine() {
    inLine_ = true;
    builder_.beginRecord();
    if (singleColumn_) {
      builder_.field(CallField::Index) = integer(counter_++);
      setBool(CallField::Success, false);
    }
  }

  static CallValue integer(qint64 value) {
    CallValue v;
    v.kind = CallValue::Kind::Integer;
    v.integer = value;
    return v;
  }

  void setBool(CallField f, bool value) {
    CallValue v;
    v.kind = CallValue::Kind::Bool;
    v.boolean = value;
    builder_.field(f) = v;
  }

  void set(CallField f, QStringView text) {
    switch (f) {
      case CallField::Index:
        builder_.setVariant(CallKeys::index, typedDelimitedCell(text));
        return;
      case CallField::Success:
        setBool(f, successFromCell(text));
        return;
      case CallField::Date: {
        text = text.trimmed();
        if (text.isEmpty()) return;
        if (dateCells_.isEmpty()) {  // room for a date in every line, in address space only
          dateCells_.reserve(recordEstimate());
          dateChars_.reserve(textEstimate());
        }
        const DateCell cell{builder_.count() - 1, dateChars_.size(), text.size()};
        dateChars_.append(text.utf16(), text.size());
        if (!dateCells_.isEmpty() && dateCells_[dateCells_.size() - 1].row == cell.row)
          dateCells_[dateCells_.size() - 1] = cell;
        else
          dateCells_.append(cell);
        return;
      }
      case CallField::Number:
      case CallField::Note:
        builder_.setText(f, text);
        return;
    }
  }

  // Sets every record's date from its text, read for the column as a whole;
  // a date that does not read, or an empty cell, leaves none. The usual
  // case, the user's own export form reading every date, needs no list of texts.
  void readDates(CallList& list, ImportOutcome& outcome) {
    if (dateCells_.isEmpty()) return;
    // The texts stay in dateChars_ until the end of this function.
    QList<qsizetype> rows;
    QStringList texts;
    rows.reserve(dateCells_.size());
    texts.reserve(dateCells_.size());
    for (qsizetype k = 0; k < dateCells_.size(); ++k) {
      const DateCell& cell = dateCells_[k];
      rows.append(cell.row);
      texts.append(QString::fromRawData(reinterpret_cast<const QChar*>(dateChars_.data() + cell.offset), cell.size));
    }
    const CallDateForm own = CallDateForm::currentExportForm();
    std::vector<qint64> msecs;
    msecs.reserve(size_t(texts.size()));
    for (const QString& text : std::as_const(texts)) {
      const std::optional<QDateTime> date = own.read(text);
      if (!date) break;
      msecs.push_back(date->toMSecsSinceEpoch());
    }
    if (qsizetype(msecs.size()) == texts.size()) {
      for (qsizetype k = 0; k < rows.size(); ++k)
        list.setValue(rows[k], CallField::Date, QDateTime::fromMSecsSinceEpoch(msecs[size_t(k)], Qt::UTC));
      return;
    }
    const DateColumnReading reading = readDateColumn(texts);
    for (qsizetype k = 0; k < rows.size(); ++k)
      if (const std::optional<QDateTime>& date = reading.dates[k])
        list.setValue(rows[k], CallField::Date, *date);
    outcome.dateForm = reading.form;
    outcome.unreadDates = reading.unread;
  }

  std::vector<std::optional<CallField>> slots_;  // per column
  bool singleColumn_;
  std::optional<QString> headerEntry_;
  qint64 fileBytes_;
  CallListBuilder builder_;
  // The date cells' texts, one after another, until they are read.
  struct DateCell {
    qsizetype row, offset, size;
  };
  LargeArray<char16_t> dateChars_;
  LargeArray<DateCell> dateCells_;
  qint64 counter_ = 1;
  bool inLine_ = false;
};

}  // namespace

ImportOutcome importCallList(const QString& path) {
  QString problem;
  std::optional<ImportSource> source = ImportSource::open(path, &problem);
  if (!source) return failed(path, problem);

  ImportOutcome outcome;
  outcome.encoding = importEncodingName(source->encoding());
  if (!source->headerLine()) {
    outcome.reason = QStringLiteral("it holds no lines to read");
    return outcome;
  }
  const QStringList columns = headerColumns(*source->headerLine(), source->delimiter());
  const QSet<QString> names(columns.begin(), columns.end());
  const bool singleColumn = names.size() == 1;
  if (!singleColumn) {
    QStringList missing;
    for (const QString* key : {&CallKeys::index, &CallKeys::number, &CallKeys::note})
      if (!names.contains(*key)) missing << *key;
    if (!missing.isEmpty()) return failed(path, describeMissing(missing, columns));
  }
  if (singleColumn) outcome.headerEntry = headerAsNumber(*source->headerLine(), source->delimiter());
  CallListImport import(columns, singleColumn, outcome.headerEntry, source->size());
  if (!source->readFields(import, &problem)) return failed(path, problem);
  outcome.encoding = importEncodingName(source->encoding());
  if (import.count() == 0) {
    outcome.reason = QStringLiteral("it has a header line but no entries");
    return outcome;
  }
  outcome.records = import.finish(outcome);
  outcome.status = ImportOutcome::Status::Loaded;
  return outcome;
}
