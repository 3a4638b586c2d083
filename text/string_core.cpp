#include "text/string_core.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <limits>

#include "text/character_sets.h"
#include "text/paragraph_scanner.h"
#include "text/replace_all.h"

namespace Tirr_NSStringAdditions {

namespace {

bool isAscii(const QString& s) {
  for (QChar c : s)
    if (c.unicode() >= 0x80) return false;
  return true;
}

// The form in which two texts are compared for canonical equivalence: NFD,
// and with ignoreCase full case folding followed by NFD again (folding can
// undo a decomposition). Empty when ICU cannot do it.
QString canonicalSearchForm(const QString& s, bool ignoreCase) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return {};
  const icu::UnicodeString alias(false, s.utf16(), static_cast<int32_t>(s.size()));
  icu::UnicodeString form = nfd->normalize(alias, status);
  if (ignoreCase) {
    form.foldCase(U_FOLD_CASE_DEFAULT);
    form = nfd->normalize(form, status);
  }
  if (U_FAILURE(status)) return {};
  return QString(reinterpret_cast<const QChar*>(form.getBuffer()), form.length());
}

char32_t codePointAt(const QString& s, qsizetype i) {
  const char16_t c = s[i].unicode();
  if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
    return QChar::surrogateToUcs4(c, s[i + 1].unicode());
  return c;
}

// A match found in the canonical forms counts only when it takes whole
// characters: it may not split a surrogate pair, and it may not stop before a
// combining mark that belongs to its last character ("e" is not in "é").
bool matchTakesWholeCharacters(const QString& hay, qsizetype at, qsizetype end) {
  if (at > 0 && hay[at].isLowSurrogate() && hay[at - 1].isHighSurrogate()) return false;
  if (end >= hay.size()) return true;
  if (hay[end].isLowSurrogate() && hay[end - 1].isHighSurrogate()) return false;
  return u_getCombiningClass(static_cast<UChar32>(codePointAt(hay, end))) == 0;
}

}  // namespace

bool isBlankString(const QString& receiver) { return receiver.isEmpty(); }

QStringList paragraphs(const QString& receiver) {
  QStringList lines;
  ParagraphScanner scanner(receiver);
  QStringView line;
  while (scanner.next(line)) {
    if (line.size() == receiver.size()) {
      lines.append(receiver);  // no terminator at all: the receiver itself
    } else {
      lines.append(line.toString());
    }
  }
  return lines;
}

QString clean(const QString& receiver, const QString& keep) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet kept(keep);
  const qsizetype n = receiver.size();
  auto codePointSize = [&](qsizetype i) -> qsizetype {
    return (i + 1 < n && receiver[i].isHighSurrogate() && receiver[i + 1].isLowSurrogate()) ? 2 : 1;
  };
  QString out;
  // A scanner that skips white space before each run: a run of kept
  // characters is taken whole after its leading white space; a character that
  // is not kept is stepped over one code unit at a time.
  qsizetype p = 0;
  while (p < n) {
    qsizetype q = p;
    while (q < n && isWhitespaceOrNewline(receiver[q].unicode())) ++q;
    if (q == n) break;
    qsizetype r = q;
    while (r < n && kept.containsCodePoint(codePointAt(receiver, r))) r += codePointSize(r);
    if (r > q) {
      if (q == 0 && r == n) return receiver;  // all kept: nothing to do
      out.append(QStringView(receiver).sliced(q, r - q));
      p = r;
    } else {
      p = q;
    }
    if (p < n) ++p;
  }
  return out;
}

bool containsString(const QString& receiver, const QString& needle, bool consideringCase) {
  if (needle.isEmpty() || receiver.isEmpty()) return false;
  const Qt::CaseSensitivity cs = consideringCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  constexpr qsizetype kIcuLimit = std::numeric_limits<int32_t>::max() / 4;
  if ((isAscii(receiver) && isAscii(needle)) || receiver.size() > kIcuLimit || needle.size() > kIcuLimit)
    return receiver.contains(needle, cs);

  const QString hay = canonicalSearchForm(receiver, !consideringCase);
  const QString want = canonicalSearchForm(needle, !consideringCase);
  if (hay.isEmpty() || want.isEmpty()) return receiver.contains(needle, cs);
  for (qsizetype at = 0; (at = hay.indexOf(want, at)) >= 0; ++at) {
    if (matchTakesWholeCharacters(hay, at, at + want.size())) return true;
  }
  return false;
}

QString deprefix(const QString& receiver, const QString& prefix) {
  if (isBlankString(receiver)) return receiver;
  static const QStringList delims{QString(), QStringLiteral(" "), QStringLiteral("-")};
  for (const QString& separator : delims) {
    const QString candidate = prefix + separator;
    if (!candidate.isEmpty() && receiver.startsWith(candidate)) return receiver.sliced(candidate.size());
  }
  return receiver;
}

QString snr(const QString& receiver, const QString& target, const QString& replaceWith) {
  if (isBlankString(receiver) || target.isEmpty() || !receiver.contains(target)) return receiver;
  QString out;
  out.reserve(receiver.size() + (replaceWith.size() > target.size() ? receiver.size() / 4 : 0));
  forEachReplacedPiece(receiver, target, replaceWith, [&](QStringView piece) { out.append(piece); });
  return out;
}

QString addQuoteEscapes(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const QString backslashesDoubled = snr(receiver, QStringLiteral("\\"), QStringLiteral("\\\\"));
  return snr(backslashesDoubled, QStringLiteral("\""), QStringLiteral("\\\""));
}

QString removeQuoteEscapes(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const QString backslashesSingled = snr(receiver, QStringLiteral("\\\\"), QStringLiteral("\\"));
  return snr(backslashesSingled, QStringLiteral("\\\""), QStringLiteral("\""));
}

}  // namespace Tirr_NSStringAdditions
