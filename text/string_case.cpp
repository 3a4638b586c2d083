#include "text/string_case.h"

#include <QCoreApplication>
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

// Appends the full upper-case form of the code point at the start of `text`
// and answers how many units of `text` it stood for.
qsizetype appendUpperFirst(QString& out, QStringView text) {
  const char16_t first = text[0].unicode();
  if (first < 0x80) {
    out.append(QChar(asciiUpper(first)));
    return 1;
  }
  const qsizetype size = codePointSizeAt(text, 0);
  out.append(text.first(size).toString().toUpper());
  return size;
}

// The small-words replacement batch for the current translation, rebuilt only
// when the translated text changes.
const ReplacementBatch& smallWords() {
  struct Cache {
    QString text;
    std::optional<ReplacementBatch> batch;
  };
  thread_local Cache cache;
  QString text = QCoreApplication::translate("ui", kSmallWordsKey);
  if (text == QLatin1String(kSmallWordsKey)) text = QString::fromUtf16(kDefaultTitleCaseSmallWords);
  if (!cache.batch || text != cache.text) {
    const QChar bar(u'|');
    cache.batch.emplace(text.split(bar), text.toLower().split(bar));
    cache.text = std::move(text);
  }
  return *cache.batch;
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
  QString out;
  out.reserve(n + 4);
  qsizetype p = 0;
  while (true) {
    while (p < n && isWhitespaceOrNewline(receiver[p].unicode())) ++p;
    if (p == n) break;
    // Never empty: every stop character is skipped above.
    qsizetype end = p;
    while (end < n && !stops.contains(receiver[end].unicode())) ++end;
    const qsizetype first = appendUpperFirst(out, QStringView(receiver).sliced(p, end - p));
    out.append(QStringView(receiver).sliced(p + first, end - p - first));
    p = end;
    if (p < n) out.append(receiver[p++]);
  }
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
      appendUpperFirst(out, character);
    } else {
      out.append(character);
    }
    capitalise = isNamePartBreaker(QStringView(out).sliced(before)) || endsWithNamePrefix(out);
    i += size;
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
