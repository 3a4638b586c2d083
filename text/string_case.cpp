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

constexpr bool isNamePartBreaker(char16_t c) { return c == u'.' || c == u' ' || c == u'\'' || c == u'-'; }

// True when the text written so far, [begin, end), ends with "Mc" or "Mac".
bool endsWithNamePrefix(const char16_t* begin, const char16_t* end) {
  const std::ptrdiff_t n = end - begin;
  if (n < 2 || end[-1] != u'c') return false;
  return end[-2] == u'M' || (n >= 3 && end[-2] == u'a' && end[-3] == u'M');
}

// Writes the full upper-case form of `codePoint` at `to`; answers the end.
char16_t* writeUpper(QStringView codePoint, char16_t* to) {
  if (codePoint.size() == 1 && codePoint[0].unicode() < 0x80) {
    *to = asciiUpper(codePoint[0].unicode());
    return to + 1;
  }
  const QString upper = codePoint.toString().toUpper();
  return std::copy_n(reinterpret_cast<const char16_t*>(upper.utf16()), upper.size(), to);
}

}  // namespace

QString titleCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet& stops = Tirr_NSCharacterSetAdditions::allWhitespaceCharacterSet();
  const qsizetype n = receiver.size();
  // Upper-casing one code point gives at most three units.
  const bool ascii = allUnitsBelow(receiver, 0x80);
  QString out(ascii ? n : 3 * n, Qt::Uninitialized);
  char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
  char16_t* to = begin;
  const auto* const from = reinterpret_cast<const char16_t*>(receiver.utf16());
  qsizetype p = 0;
  while (true) {
    while (p < n && isWhitespaceOrNewline(from[p])) ++p;
    if (p == n) break;
    // Never empty: every stop character is skipped above.
    qsizetype end = p;
    while (end < n && !stops.contains(from[end])) ++end;
    const qsizetype first = codePointSizeAt(receiver, p);
    to = writeUpper(QStringView(from + p, first), to);
    p += first;
    to = std::copy(from + p, from + end, to);
    p = end;
    if (p < n) *to++ = from[p++];
  }
  out.truncate(to - begin);
  if (!ascii) out.squeeze();
  return smallWords().apply(out);
}

QString nameCaseString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  // Plain ASCII is lowered on the way; anything else first, as a whole.
  const bool ascii = allUnitsBelow(receiver, 0x80);
  const QString lower = ascii ? receiver : receiver.toLower();
  const qsizetype n = lower.size();
  QString out(ascii ? n : 3 * n, Qt::Uninitialized);  // upper-casing one code point gives at most three units
  char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
  char16_t* to = begin;
  bool capitalise = true;  // the first character
  for (qsizetype i = 0; i < n;) {
    const qsizetype size = codePointSizeAt(lower, i);
    char16_t* const written = to;
    if (size == 1 && lower[i].unicode() < 0x80) {
      const char16_t c = asciiLower(lower[i].unicode());
      *to++ = capitalise ? asciiUpper(c) : c;
    } else if (capitalise) {
      to = writeUpper(QStringView(lower).sliced(i, size), to);
    } else {
      to = std::copy_n(reinterpret_cast<const char16_t*>(lower.utf16()) + i, size, to);
    }
    capitalise = (to - written == 1 && isNamePartBreaker(*written)) || endsWithNamePrefix(begin, to);
    i += size;
  }
  out.truncate(to - begin);
  if (!ascii) out.squeeze();
  return out;
}

}  // namespace Tirr_NSStringAdditions
