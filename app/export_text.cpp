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
//
// The UTF-8 is written straight from the records: one pass over a text both
// checks that it reads back unchanged and encodes it, dates are rendered as
// bytes, and the file gets the bytes a chunk at a time, so no field costs an
// allocation and the whole text is never held. Fields that need the quoted
// form, and dates of locales that ICU alone formats, go through a QString.
#include <QVariant>
#include <array>
#include <charconv>
#include <cstring>
#include <functional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "app/export_fields.h"
#include "prefs/atomic_file.h"
#include "text/character_sets.h"
#include "text/huge_pages.h"
#include "text/paragraph_scanner.h"
#include "text/utf8_units.h"

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

// The export's bytes as they are made, in one buffer: handed on to `flush`
// each time they pass a chunk, or kept whole when there is no `flush`.
class ExportBuffer {
 public:
  using Flush = std::function<bool(QByteArrayView)>;

  ExportBuffer(qsizetype capacity, Flush flush) : flush_(std::move(flush)) {
    bytes_.resize(capacity);
    data_ = bytes_.data();
    adviseHugePages(data_, size_t(capacity), size_t(4) << 20);
  }

  // Where the next `n` bytes go; commit() says how far they were written.
  char* room(qsizetype n) {
    if (n > bytes_.size() - used_) makeRoom(n);
    return data_ + used_;
  }
  void commit(const char* end) { used_ = end - data_; }
  void append(char c) {
    *room(1) = c;
    ++used_;
  }
  void append(QLatin1StringView text) {
    char* at = room(text.size());
    std::memcpy(at, text.data(), size_t(text.size()));
    commit(at + text.size());
  }
  // Any text; a lone surrogate becomes U+FFFD, as Qt's UTF-8 encoder writes it.
  void appendUtf8(QStringView text) {
    char* at = room(3 * text.size());
    for (qsizetype i = 0; i < text.size();)
      at += utf8units::writeUtf8(utf8units::nextCodePoint(text, &i), reinterpret_cast<std::uint8_t*>(at));
    commit(at);
  }
  // Hands the bytes so far to `flush` once they fill a chunk.
  void endLine() {
    if (flush_ && used_ >= kChunk) handOn();
  }
  // The bytes not yet handed on; with a `flush`, hands them on and answers
  // whether every hand-off succeeded.
  bool finish() {
    if (flush_) handOn();
    bytes_.truncate(used_);
    return ok_;
  }
  [[nodiscard]] QByteArray take() { return std::move(bytes_); }

  static constexpr qsizetype kChunk = qsizetype(1) << 18;

 private:
  void handOn() {
    if (used_ > 0 && ok_) ok_ = flush_(QByteArrayView(data_, used_));
    used_ = 0;
  }
  void makeRoom(qsizetype n) {
    if (flush_) handOn();
    if (n > bytes_.size() - used_) {
      bytes_.resize(std::max(used_ + n, bytes_.size() * 2));
      data_ = bytes_.data();
    }
  }

  Flush flush_;
  QByteArray bytes_;  // the buffer, at full size; `used_` bytes of it written
  char* data_ = nullptr;
  qsizetype used_ = 0;
  bool ok_ = true;
};

// Which ASCII characters readsBackUnchanged() has to look at inside a field.
constexpr std::array<bool, 128> kInnerSpecial = [] {
  std::array<bool, 128> table{};
  for (const char c : {'\0', '\t', '\n', '\r', '"', '<'}) table[size_t(c)] = true;
  return table;
}();

#if defined(__SSE2__)
// Writes eight units at `units` as ASCII bytes at `out` when they are ASCII
// and none of them is in kInnerSpecial; false, with nothing written, otherwise.
inline bool plainAscii8(const char16_t* units, char* out) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
  const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(short(0xFF80))), _mm_setzero_si128());
  __m128i special = _mm_cmpeq_epi16(v, _mm_setzero_si128());
  for (const short c : {'\t', '\n', '\r', '"', '<'})
    special = _mm_or_si128(special, _mm_cmpeq_epi16(v, _mm_set1_epi16(c)));
  if (_mm_movemask_epi8(_mm_andnot_si128(special, ascii)) != 0xFFFF) return false;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
  return true;
}
#endif

// Writes `text` as UTF-8 when it reads back unchanged, with the check and the
// encoding in one pass; answers false, with nothing written, when it does not.
bool writeUnchanged(ExportBuffer& out, QStringView text, bool firstInLine) {
  const qsizetype n = text.size();
  if (n == 0) return true;
  const char16_t* units = text.utf16();
  const char16_t first = units[0], last = units[n - 1];
  if (first == u'"' || last == u'"' || isWhitespaceOrNewline(first) || isWhitespaceOrNewline(last) ||
      (firstInLine && first == u'#'))
    return false;
  char* const start = out.room(3 * n);
  char* at = start;
  bool angle = false;
  for (qsizetype i = 0; i < n;) {
#if defined(__SSE2__)
    if (i + 8 <= n && plainAscii8(units + i, at)) {
      i += 8, at += 8;
      continue;
    }
#endif
    const char16_t u = units[i];
    if (u < 0x80) {
      if (kInnerSpecial[u]) {
        if (u == u'<')
          angle = true;
        else if (u != u'"' || units[i - 1] == u'"')  // a quote is never first here
          return false;
      }
      *at++ = char(u);
      ++i;
    } else if (ParagraphScanner::isTerminator(u)) {
      return false;
    } else {
      at += utf8units::writeUtf8(utf8units::nextCodePoint(text, &i), reinterpret_cast<std::uint8_t*>(at));
    }
  }
  if (angle && text.contains(kPlaceholder)) return false;
  out.commit(at);
  return true;
}

// The field writers share one scratch text for the rare field that is not
// written straight from the list's text.
struct FieldWriter {
  ExportBuffer& out;
  QString scratch;

  void text(QStringView value, bool firstInLine) {
    if (writeUnchanged(out, value, firstInLine)) return;
    scratch.resize(0);
    appendText(scratch, value, firstInLine);
    out.appendUtf8(scratch);
  }

  void field(const CallList& records, qsizetype row, CallField field, bool firstInLine = false) {
    const CallValue& v = records.field(row, field);
    if (v.isText()) return text(records.text(row, field), firstInLine);
    if (v.kind == CallValue::Kind::Integer) {
      char* at = out.room(24);
      out.commit(std::to_chars(at, at + 24, v.integer).ptr);
      return;
    }
    if (v.kind == CallValue::Kind::Absent) return;
    scratch.resize(0);
    appendValue(scratch, records.value(row, field), firstInLine);
    out.appendUtf8(scratch);
  }

  void date(qint64 msecs) {
    if (char* end = writeCallDateUtf8(msecs, out.room(kCallDateUtf8Room))) return out.commit(end);
    scratch.resize(0);
    appendCallDate(scratch, QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    out.appendUtf8(scratch);
  }
};

void writeExport(const CallList& records, ExportBuffer& out) {
  FieldWriter writer{out, {}};
  out.append(QLatin1StringView("index\tnumber\tdate\tsuccess\tnote\n"));
  for (qsizetype row = 0; row < records.size(); ++row) {
    writer.field(records, row, CallField::Index, true);
    out.append('\t');
    writer.field(records, row, CallField::Number);
    out.append('\t');
    if (const CallValue& date = records.field(row, CallField::Date); date.kind == CallValue::Kind::Date)
      writer.date(date.msecs);
    out.append('\t');
    out.append(records.succeeded(row) ? '1' : '0');
    out.append('\t');
    writer.field(records, row, CallField::Note);
    out.append('\n');
    out.endLine();
  }
}

}  // namespace

QByteArray exportText(const CallList& records) {
  ExportBuffer out(64 + records.size() * 72, {});
  writeExport(records, out);
  out.finish();
  return out.take();
}

QString exportFieldText(QStringView text, bool firstInLine) {
  QString written;
  appendText(written, text, firstInLine);
  return written;
}

QByteArray exportFieldUtf8(QStringView text, bool firstInLine) {
  ExportBuffer out(16, {});
  FieldWriter{out, {}}.text(text, firstInLine);
  out.finish();
  return out.take();
}

std::optional<QString> writeExportFile(const QString& path, const CallList& records) {
  QString error;
  const auto produce = [&records](const ExportBuffer::Flush& write) {
    ExportBuffer out(ExportBuffer::kChunk + (qsizetype(1) << 16), write);
    writeExport(records, out);
    return out.finish();
  };
  if (writeFileAtomically(path, produce, &error, FileAccess::UserDefault)) return std::nullopt;
  return error;
}

std::optional<QString> writeExportFile(const QString& path, const QByteArray& bytes) {
  QString error;
  if (writeFileAtomically(path, bytes, &error, FileAccess::UserDefault)) return std::nullopt;
  return error;
}
