// The call log's export text: a header and one tab-separated line per record.
//
// Fields are written as they are, except where that would break the line for
// the reader that loads the file again: a line break inside a field becomes a
// space, and a field holding a tab is put in double quotes (inner quotes
// doubled), the one form of a tab the line parser reads back as part of a field.
#include <QVariant>

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "prefs/atomic_file.h"

namespace {

bool isLineBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x0085 || c == 0x2028 || c == 0x2029; }

// True when the field needs more than being appended: a line break, a tab, or
// a leading double quote (which the line parser would take as opening a quoted
// field that swallows the fields after it).
bool needsCare(const QString& text) {
  if (text.startsWith(u'"')) return true;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'\t' || isLineBreak(u)) return true;
  }
  return false;
}

bool isEdgeCharacter(QChar c) { return c == u'"' || c.isSpace(); }

// The field made safe for one line of the export. Quotes and white space at a
// field's edges do not survive a reread anyway (the parser strips them), and
// left in place they would open or close a quoted field early, so they go.
QString safeField(QString text) {
  for (QChar& c : text)
    if (isLineBreak(c.unicode())) c = u' ';
  const bool hasTab = text.contains(u'\t');
  if (!hasTab && !text.startsWith(u'"')) return text;
  qsizetype begin = 0, end = text.size();
  while (begin < end && isEdgeCharacter(text[begin])) ++begin;
  while (end > begin && isEdgeCharacter(text[end - 1])) --end;
  text = text.mid(begin, end - begin);
  if (!text.contains(u'\t')) return text;
  text.replace(u'"', QStringLiteral("\"\""));
  return u'"' + text + u'"';
}

// The text of an index, number or note value: text unchanged, numbers in plain
// decimal (the shortest that reads back to the same value), a boolean as 1 or 0.
void appendValue(QString& out, const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QString: {
      const QString& text = *static_cast<const QString*>(value.constData());
      out += needsCare(text) ? safeField(text) : text;
      return;
    }
    case QMetaType::Bool:
      out += value.toBool() ? u'1' : u'0';
      return;
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
      return;
    default: {
      const std::optional<QString> number = numberText(value);
      appendValue(out, number ? *number : value.toString());
      return;
    }
  }
}

// The five fields of a record, found in one walk over its entries rather than
// five searches of the map: the export visits every record of a long list.
struct RecordFields {
  const QVariant* index = nullptr;
  const QVariant* number = nullptr;
  const QVariant* date = nullptr;
  const QVariant* success = nullptr;
  const QVariant* note = nullptr;
};

RecordFields fieldsOf(const QVariantMap& record) {
  RecordFields fields;
  for (auto it = record.cbegin(); it != record.cend(); ++it) {
    const QString& key = it.key();
    if (key == CallKeys::index)
      fields.index = &it.value();
    else if (key == CallKeys::number)
      fields.number = &it.value();
    else if (key == CallKeys::date)
      fields.date = &it.value();
    else if (key == CallKeys::success)
      fields.success = &it.value();
    else if (key == CallKeys::note)
      fields.note = &it.value();
  }
  return fields;
}

void appendField(QString& out, const QVariant* value) {
  if (value) appendValue(out, *value);
}

}  // namespace

QByteArray exportText(const CallList& records) {
  QString text;
  text.reserve(40 + records.size() * 64);
  text += QLatin1StringView("index\tnumber\tdate\tsuccess\tnote\n");
  for (const QVariantMap& record : records) {
    const RecordFields fields = fieldsOf(record);
    appendField(text, fields.index);
    text += u'\t';
    appendField(text, fields.number);
    text += u'\t';
    if (fields.date && fields.date->typeId() == QMetaType::QDateTime)
      appendCallDate(text, *static_cast<const QDateTime*>(fields.date->constData()));
    text += u'\t';
    text += fields.success && fields.success->toBool() ? u'1' : u'0';
    text += u'\t';
    appendField(text, fields.note);
    text += u'\n';
  }
  return text.toUtf8();
}

std::optional<QString> writeExportFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (writeFileAtomically(path, bytes, &error, FileAccess::UserDefault)) return std::nullopt;
  return error;
}
