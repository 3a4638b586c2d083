#include "text/string_case.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>

#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/replacement_batch.h"
#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

constexpr char kSmallWordsKey[] = "titleCaseSmallWords";

constexpr char16_t asciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 32 : c; }
constexpr char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

ReplacementBatch batchOf(const QString& smallWords) {
  const QChar bar(u'|');
  return ReplacementBatch(smallWords.split(bar), smallWords.toLower().split(bar));
}

// The small-words replacement batch for the current translation; a translated
// text is compiled again only when it changes.
const ReplacementBatch& smallWords() {
  static const ReplacementBatch builtIn = batchOf(QString::fromUtf16(kDefaultTitleCaseSmallWords));
  struct Translated {
    QString text;
    std::optional<ReplacementBatch> batch;
  };
  thread_local Translated translated;
  QString text = QCoreApplication::translate("ui", kSmallWordsKey);
  if (text == QLatin1String(kSmallWordsKey)) return builtIn;
  if (!translated.batch || text != translated.text) {
    translated.batch = batchOf(text);
    translated.text = std::move(text);
  }
  return *translated.batch;
}

// Appends units to a string allocated once at about its final size; it grows
// only when upper-casing made the text longer than the room left.
class UnitWriter {
 public:
  explicit UnitWriter(qsizetype capacity) : out_(std::max<qsizetype>(capacity, 4), Qt::Uninitialized) {}

  void put(char16_t c) {
    makeRoom(1);
    data_[size_++] = c;
  }
  void put(QStringView units) {
    makeRoom(units.size());
    std::copy_n(units.utf16(), units.size(), data_ + size_);
    size_ += units.size();
  }
  // Appends the full upper-case form of one code point.
  void putUpper(QStringView codePoint) {
    if (codePoint.size() == 1 && codePoint[0].unicode() < 0x80) {
      put(asciiUpper(codePoint[0].unicode()));
    } else {
      put(codePoint.toString().toUpper());
    }
  }
  [[nodiscard]] QStringView written() const { return QStringView(data_, size_); }

  QString finish() {
    out_.truncate(size_);
    return std::move(out_);
  }

 private:
  void makeRoom(qsizetype n) {
    if (size_ + n <= out_.size()) return;
    out_.resize(std::max(2 * out_.size(), size_ + n));
    data_ = reinterpret_cast<char16_t*>(out_.data());
  }

  QString out_;  // its size is the room; the first size_ units are written
  char16_t* data_ = reinterpret_cast<char16_t*>(out_.data());
  qsizetype size_ = 0;
};

constexpr bool isNamePartBreaker(char16_t c) { return c == u'.' || c == u' ' || c == u'\'' || c == u'-'; }

// True when `text` ends with "Mc" or "Mac".
bool endsWithNamePrefix(QStringView text) {
  const qsizetype n = text.size();
  if (n < 2 || text[n - 1] != u'c') return false;
  return text[n - 2] == u'M' || (n >= 3 && text[n - 2] == u'a' && text[n - 3] == u'M');
}

}  // namespace

QString titleCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet& stops = Tirr_NSCharacterSetAdditions::allWhitespaceCharacterSet();
  const qsizetype n = receiver.size();
  UnitWriter out(n);
  qsizetype p = 0;
  while (true) {
    while (p < n && isWhitespaceOrNewline(receiver[p].unicode())) ++p;
    if (p == n) break;
    // Never empty: every stop character is skipped above.
    qsizetype end = p;
    while (end < n && !stops.contains(receiver[end].unicode())) ++end;
    const qsizetype first = codePointSizeAt(receiver, p);
    out.putUpper(QStringView(receiver).sliced(p, first));
    out.put(QStringView(receiver).sliced(p + first, end - p - first));
    p = end;
    if (p < n) out.put(receiver[p++].unicode());
  }
  return smallWords().apply(out.finish());
}

QString nameCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  // Plain ASCII is lowered on the way; anything else first, as a whole.
  const QString lower = allUnitsBelow(receiver, 0x80) ? receiver : receiver.toLower();
  const qsizetype n = lower.size();
  UnitWriter out(n);
  bool capitalise = true;  // the first character
  for (qsizetype i = 0; i < n;) {
    const qsizetype size = codePointSizeAt(lower, i);
    const qsizetype before = out.written().size();
    if (size == 1 && lower[i].unicode() < 0x80) {
      const char16_t c = asciiLower(lower[i].unicode());
      out.put(capitalise ? asciiUpper(c) : c);
    } else if (capitalise) {
      out.putUpper(QStringView(lower).sliced(i, size));
    } else {
      out.put(QStringView(lower).sliced(i, size));
    }
    const QStringView written = out.written();
    capitalise = (written.size() - before == 1 && isNamePartBreaker(written.back().unicode())) ||
                 endsWithNamePrefix(written);
    i += size;
  }
  return out.finish();
}

}  // namespace Tirr_NSStringAdditions
