#include "app/call_list_filter.h"

#include "app/call_list_io.h"
#include "app/call_list_model.h"

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool isNumberLayout(QChar c) {
  return c == u' ' || c == u'-' || c == u'.' || c == u'(' || c == u')' || c == u'/';
}

// The ASCII digits of `text` when it holds nothing but digits and separators; empty otherwise.
QString digitsOnly(const QString& text, bool strict) {
  QString digits;
  for (const QChar c : text) {
    if (isDigit(c))
      digits += c;
    else if (strict && !isNumberLayout(c))
      return {};
  }
  return digits;
}

bool passesCalls(const QVariantMap& record, CallListFilter::Calls calls) {
  switch (calls) {
    case CallListFilter::Calls::All:
      return true;
    case CallListFilter::Calls::NotCalled:
      return !record.contains(CallKeys::date);
    case CallListFilter::Calls::Succeeded:
      return record.value(CallKeys::success).toBool();
    case CallListFilter::Calls::NotSucceeded:
      return !record.value(CallKeys::success).toBool();
  }
  return true;
}

}  // namespace

bool CallListFilter::accepts(const QVariantMap& record) const {
  if (!passesCalls(record, calls)) return false;
  const QString needle = search.trimmed();
  if (needle.isEmpty()) return true;
  const QString number = CallListModel::displayText(record.value(CallKeys::number));
  if (number.contains(needle, Qt::CaseInsensitive)) return true;
  if (record.value(CallKeys::note).toString().contains(needle, Qt::CaseInsensitive)) return true;
  const QString digits = digitsOnly(needle, true);
  return !digits.isEmpty() && digitsOnly(number, false).contains(digits);
}

bool CallListFilter::showsAll() const { return calls == Calls::All && search.trimmed().isEmpty(); }
