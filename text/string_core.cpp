#include "text/string_core.h"

#include "text/canonical_search.h"
#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/paragraph_scanner.h"
#include "text/replace_all.h"

namespace Tirr_NSStringAdditions {

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
    while (r < n && kept.containsCodePoint(codePointAt(receiver, r))) r += codePointSizeAt(receiver, r);
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
  return findCanonicallyEquivalent(receiver, needle, !consideringCase).has_value();
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
