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

// Appends the full upper-case form of the code point `character`.
void appendUpper(QString& out, QStringView character) {
  if (character.size() == 1 && character[0].unicode() < 0x80) {
    out.append(QChar(asciiUpper(character[0].unicode())));
  } else {
    out.append(character.toString().toUpper());
  }
}

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

bool isNamePartBreaker(QStringView piece) {
  if (piece.size() != 1) return false;
  const char16_t c = piece[0].unicode();
  return c == u'.' || c == u' ' || c == u'\'' || c == u'-';
}

bool endsWithNamePrefix(const QString& out) {
  return out.endsWith(QLatin1String("Mc")) || out.endsWith(QLatin1String("Mac"));
}

QString asciiNameCase(const QString& receiver) {
  QString out(receiver.size(), Qt::Uninitialized);
  char16_t* to = reinterpret_cast<char16_t*>(out.data());
  bool capitalise = true;  // the first character
  for (qsizetype i = 0; i < receiver.size(); ++i) {
    char16_t c = asciiLower(receiver[i].unicode());
    if (capitalise) c = asciiUpper(c);
    to[i] = c;
    if (c == u'.' || c == u' ' || c == u'\'' || c == u'-') {
      capitalise = true;
    } else {
      capitalise = (i >= 1 && to[i - 1] == u'M' && c == u'c') ||
                   (i >= 2 && to[i - 2] == u'M' && to[i - 1] == u'a' && c == u'c');
    }
  }
  return out;
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
    if (from[p] < 0x80) {
      *to++ = asciiUpper(from[p++]);
    } else {
      const qsizetype size = codePointSizeAt(receiver, p);
      const QString upper = QStringView(from + p, size).toString().toUpper();
      to = std::copy_n(reinterpret_cast<const char16_t*>(upper.utf16()), upper.size(), to);
      p += size;
    }
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
  if (allUnitsBelow(receiver, 0x80)) return asciiNameCase(receiver);
  const QString lower = receiver.toLower();
  QString out;
  out.reserve(lower.size() + 2);
  bool capitalise = true;  // the first character
  for (qsizetype i = 0; i < lower.size();) {
    const qsizetype size = codePointSizeAt(lower, i);
    const QStringView character = QStringView(lower).sliced(i, size);
    const qsizetype before = out.size();
    if (capitalise) {
      appendUpper(out, character);
    } else {
      out.append(character);
    }
    capitalise = isNamePartBreaker(QStringView(out).sliced(before)) || endsWithNamePrefix(out);
    i += size;
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
