#include "app/call_list_filter.h"

#include "app/call_list_io.h"
#include "app/call_list_model.h"

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isNumberLayout(QChar c) {
  return c == u' ' || c == u'-' || c == u'.' || c == u'(' || c == u')' || c == u'/';
}

// The ASCII digits of `text` when it holds nothing but digits and separators; empty otherwise.
QString digitsOnly(QStringView text, bool strict) {
  QString digits;
  for (const QChar c : text) {
    if (isDigit(c))
      digits += c;
    else if (strict && !isNumberLayout(c))
      return {};
  }
  return digits;
}

bool passesCalls(const CallList& records, qsizetype row, CallListFilter::Calls calls) {
  switch (calls) {
    case CallListFilter::Calls::All:
      return true;
    case CallListFilter::Calls::NotCalled:
      return !records.called(row);
    case CallListFilter::Calls::Succeeded:
      return records.succeeded(row);
    case CallListFilter::Calls::NotSucceeded:
      return !records.succeeded(row);
  }
  return true;
}

// The text of a number as the table shows it: a view of a text value, or of
// `scratch` holding any other value's text.
QStringView shownText(const CallList& records, qsizetype row, CallField field, QString& scratch) {
  if (records.field(row, field).isText()) return records.text(row, field);
  scratch = records.has(row, field) ? CallListModel::displayText(records.value(row, field)) : QString();
  return scratch;
}

}  // namespace

bool CallListFilter::accepts(const CallList& records, qsizetype row) const {
  if (!passesCalls(records, row, calls)) return false;
  const QString needle = search.trimmed();
  if (needle.isEmpty()) return true;
  QString scratch;
  const QStringView number = shownText(records, row, CallField::Number, scratch);
  if (number.contains(needle, Qt::CaseInsensitive)) return true;
  if (records.field(row, CallField::Note).isText()
          ? records.text(row, CallField::Note).contains(needle, Qt::CaseInsensitive)
          : records.value(row, CallField::Note).toString().contains(needle, Qt::CaseInsensitive))
    return true;
  const QString digits = digitsOnly(needle, true);
  return !digits.isEmpty() && digitsOnly(number, false).contains(digits);
}

bool CallListFilter::showsAll() const { return calls == Calls::All && search.trimmed().isEmpty(); }
