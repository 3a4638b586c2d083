// The call log's export text: a header and one tab-separated line per record.
//
// A field goes out as it is whenever the line parser gives it back unchanged,
// which holds for nearly every number and note. Any other field is written in
// the parser's quoted form: in double quotes, each inner quote doubled, and a
// space after the opening quote when the text itself begins with one (the
// parser pairs quotes from the left, so three in a row would pair the wrong
// two; the space is trimmed again on reading). That form reads back exactly
// for every text without line breaks, white space at its ends or the parser's
// placeholder "<<quote>>". So before writing, line breaks become spaces and
// white space at the ends goes; a placeholder in a note comes back as one
// quote, and U+0000, which marks a file as not text, is written as U+FFFD.
#include <QVariant>
#include <QStringEncoder>
#include <charconv>

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "prefs/atomic_file.h"
#include "text/character_sets.h"
#include "text/huge_pages.h"
#include "text/paragraph_scanner.h"

namespace {

constexpr QStringView kPlaceholder = u"<<quote>>";

// True when the parser hands `text` back exactly as it stands: no tab, no
// doubled quote, no quote at either end, no white space at either end, no
// placeholder, no line break; and, in the line's first field, no "#" that
// would make the whole line a comment.
bool readsBackUnchanged(QStringView text, bool firstInLine) {
  if (text.isEmpty()) return true;
  if (text.front() == u'"' || text.back() == u'"') return false;
  if (isWhitespaceOrNewline(text.front().unicode()) || isWhitespaceOrNewline(text.back().unicode()))
    return false;
  if (firstInLine && text.front() == u'#') return false;
  char16_t previous = 0;
  bool angle = false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u <= u'<') {
      if (u == u'\t' || u == 0 || ParagraphScanner::isTerminator(u) || (u == u'"' && previous == u'"'))
        return false;
      angle |= u == u'<';
    } else if (ParagraphScanner::isTerminator(u)) {
      return false;
    }
    previous = u;
  }
  return !angle || !text.contains(kPlaceholder);
}

// The text with the changes no written form survives: line breaks become
// spaces, U+0000 becomes U+FFFD, white space at the ends goes.
QString readableCore(QStringView value) {
  QString text = value.toString();
  for (QChar& c : text) {
    if (ParagraphScanner::isTerminator(c.unicode()))
      c = u' ';
    else if (c.unicode() == 0)
      c = QChar(0xFFFD);
  }
  qsizetype begin = 0, end = text.size();
  while (begin < end && isWhitespaceOrNewline(text[begin].unicode())) ++begin;
  while (end > begin && isWhitespaceOrNewline(text[end - 1].unicode())) --end;
  return text.mid(begin, end - begin);
}

void appendQuoted(QString& out, QStringView text) {
  out += u'"';
  if (text.startsWith(u'"')) out += u' ';
  for (const QChar c : text) {
    if (c == u'"') out += u'"';
    out += c;
  }
  out += u'"';
}

void appendText(QString& out, QStringView text, bool firstInLine) {
  if (readsBackUnchanged(text, firstInLine)) {
    out += text;
    return;
  }
  const QString core = readableCore(text);
  if (readsBackUnchanged(core, firstInLine))
    out += core;
  else
    appendQuoted(out, core);
}

// The text of an index, number or note value: text unchanged, numbers in plain
// decimal (the shortest that reads back to the same value), a boolean as 1 or 0.
void appendValue(QString& out, const QVariant& value, bool firstInLine) {
  switch (value.typeId()) {
    case QMetaType::QString:
      appendText(out, *static_cast<const QString*>(value.constData()), firstInLine);
      return;
    case QMetaType::Bool:
      out += value.toBool() ? u'1' : u'0';
      return;
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
      return;
    default: {
      const std::optional<QString> number = numberText(value);
      appendText(out, number ? *number : value.toString(), firstInLine);
      return;
    }
  }
}

void appendField(QString& out, const CallList& records, qsizetype row, CallField field,
                 bool firstInLine = false) {
  const CallValue& v = records.field(row, field);
  if (v.isText()) return appendText(out, records.text(row, field), firstInLine);
  if (v.kind == CallValue::Kind::Integer) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, v.integer).ptr;
    out += QLatin1StringView(digits, end - digits);
    return;
  }
  if (v.kind != CallValue::Kind::Absent) appendValue(out, records.value(row, field), firstInLine);
}

// Appends `text` to `out` as UTF-8.
void appendUtf8(QByteArray& out, QStringView text) {
  QStringEncoder encoder(QStringEncoder::Utf8);
  const qsizetype used = out.size();
  out.resize(used + encoder.requiredSpace(text.size()));
  char* end = encoder.appendToBuffer(out.data() + used, text);
  out.truncate(end - out.constData());
}

}  // namespace

QByteArray exportText(const CallList& records) {
  // The lines are built a few thousand at a time and turned into UTF-8 at
  // once, so that the whole text is held only once, in its final form.
  constexpr qsizetype kChunk = 1 << 16;
  QByteArray out;
  out.reserve(64 + records.size() * 72);
  adviseHugePages(out.data(), size_t(out.capacity()), size_t(4) << 20);
  QString text;
  text.reserve(kChunk + 1024);
  text += QLatin1StringView("index\tnumber\tdate\tsuccess\tnote\n");
  for (qsizetype row = 0; row < records.size(); ++row) {
    appendField(text, records, row, CallField::Index, true);
    text += u'\t';
    appendField(text, records, row, CallField::Number);
    text += u'\t';
    if (const CallValue& date = records.field(row, CallField::Date); date.kind == CallValue::Kind::Date)
      appendCallDate(text, QDateTime::fromMSecsSinceEpoch(date.msecs, Qt::UTC));
    text += u'\t';
    text += records.succeeded(row) ? u'1' : u'0';
    text += u'\t';
    appendField(text, records, row, CallField::Note);
    text += u'\n';
    if (text.size() >= kChunk) {
      appendUtf8(out, text);
      text.resize(0);
    }
  }
  appendUtf8(out, text);
  return out;
}

std::optional<QString> writeExportFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (writeFileAtomically(path, bytes, &error, FileAccess::UserDefault)) return std::nullopt;
  return error;
}
