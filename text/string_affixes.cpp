#include "text/string_affixes.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "text/canonical_search.h"
#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/replacement_batch.h"
#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

// The units named by a character list. Entries that are not exactly one unit
// can never equal a one-unit string, so they are left out. Lone surrogates are
// laid out low before high, so no two entries join into a pair inside the set.
CharacterSet unitsOf(const QStringList& characters) {
  std::vector<char16_t> units;
  for (const QString& entry : characters)
    if (entry.size() == 1) units.push_back(entry.front().unicode());
  std::sort(units.begin(), units.end(), [](char16_t a, char16_t b) {
    auto rank = [](char16_t u) { return QChar::isHighSurrogate(u) ? 2 : QChar::isLowSurrogate(u) ? 1 : 0; };
    return rank(a) != rank(b) ? rank(a) < rank(b) : a < b;
  });
  return CharacterSet(QStringView(units.data(), qsizetype(units.size())));
}

constexpr char16_t asciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + 32 : c; }

bool isAscii(QStringView s) { return allUnitsBelow(s, 0x80); }

bool asciiEqualIgnoringCase(QStringView a, QStringView b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (asciiLower(a[i].unicode()) != asciiLower(b[i].unicode())) return false;
  return true;
}

// The full lower-case mapping of one code point (one or more units).
QString lowerOf(QStringView codePoint) {
  if (codePoint.size() == 1 && codePoint[0].unicode() < 0x80)
    return QString(QChar(asciiLower(codePoint[0].unicode())));
  return codePoint.toString().toLower();
}

// Where a match of the lower-cased `affix` at the start (or, with `fromEnd`,
// at the end) of the receiver's lower-case form ends in the receiver: the
// number of receiver units whose lower-case forms make up the match exactly.
// Absent when there is no match or it ends inside one character's mapping.
std::optional<qsizetype> caseInsensitiveAffixLength(const QString& receiver, const QString& affix,
                                                    bool fromEnd) {
  if (receiver.isEmpty() || affix.isEmpty()) return std::nullopt;
  if (isAscii(receiver) && isAscii(affix)) {
    if (affix.size() > receiver.size()) return std::nullopt;
    const QStringView part =
        fromEnd ? QStringView(receiver).last(affix.size()) : QStringView(receiver).first(affix.size());
    if (!asciiEqualIgnoringCase(part, affix)) return std::nullopt;
    return affix.size();
  }
  const QString want = affix.toLower();
  qsizetype matched = 0;  // units of `want` accounted for
  qsizetype taken = 0;    // units of the receiver they came from
  while (matched < want.size()) {
    if (taken >= receiver.size()) return std::nullopt;
    const qsizetype size =
        fromEnd ? codePointSizeBefore(receiver, receiver.size() - taken) : codePointSizeAt(receiver, taken);
    const qsizetype at = fromEnd ? receiver.size() - taken - size : taken;
    const QString piece = lowerOf(QStringView(receiver).sliced(at, size));
    const qsizetype left = want.size() - matched;
    if (piece.size() > left) return std::nullopt;
    const QStringView expected = fromEnd ? QStringView(want).sliced(left - piece.size(), piece.size())
                                         : QStringView(want).sliced(matched, piece.size());
    if (expected != piece) return std::nullopt;
    matched += piece.size();
    taken += size;
  }
  return taken;
}

bool hasCaseInsensitiveAffix(const QString& receiver, const QString& affix, bool atEnd) {
  if (affix.isEmpty()) return false;
  if (isAscii(receiver) && isAscii(affix))
    return caseInsensitiveAffixLength(receiver, affix, atEnd).has_value();
  const QString text = receiver.toLower();
  const QString want = affix.toLower();
  return atEnd ? text.endsWith(want) : text.startsWith(want);
}

// Appends the code points of `text` that are not combining marks (Mn, Mc, Me).
void appendWithoutMarks(QString& out, QStringView text) {
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype size = codePointSizeAt(text, i);
    const auto type = u_charType(static_cast<UChar32>(codePointAt(text, i)));
    if (type != U_NON_SPACING_MARK && type != U_COMBINING_SPACING_MARK && type != U_ENCLOSING_MARK)
      out.append(text.sliced(i, size));
    i += size;
  }
}

}  // namespace

QString lowASCIIOnly(const QString& receiver, bool escapeLineBreaks) {
  QString out;
  out.reserve(receiver.size());
  for (QChar c : receiver) {
    const char16_t u = c.unicode();
    if (u == u'\n' || u == u'\r') {
      if (escapeLineBreaks) {
        out.append(QLatin1Char('\\'));
        out.append(QLatin1Char(u == u'\n' ? 'n' : 'r'));
      } else {
        out.append(c);
      }
    } else if (u >= 32 && u <= 126) {
      out.append(c);
    }
  }
  return out;
}

QString cleanWithReplace(const QString& receiver, const QStringList& characters,
                         const QString& withCharacter) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet listed = unitsOf(characters);
  QString out;
  out.reserve(receiver.size());
  for (QChar c : receiver) {
    if (listed.contains(c.unicode())) {
      out.append(withCharacter);
    } else {
      out.append(c);
    }
  }
  return out;
}

QString trimFromStart(const QString& receiver, const QStringList& characters) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet listed = unitsOf(characters);
  qsizetype start = 0;
  while (start < receiver.size() && listed.contains(receiver[start].unicode())) ++start;
  return start == 0 ? receiver : receiver.sliced(start);
}

QString trimFromEnd(const QString& receiver, const QStringList& characters) {
  if (isBlankString(receiver)) return receiver;
  const CharacterSet listed = unitsOf(characters);
  qsizetype end = receiver.size();
  while (end > 0 && listed.contains(receiver[end - 1].unicode())) --end;
  return end == receiver.size() ? receiver : receiver.first(end);
}

QString trimFromBoth(const QString& receiver, const QStringList& characters) {
  if (isBlankString(receiver)) return receiver;
  return trimFromEnd(trimFromStart(receiver, characters), characters);
}

bool hasCaseInsensitivePrefix(const QString& receiver, const QString& prefix) {
  return hasCaseInsensitiveAffix(receiver, prefix, false);
}

bool hasCaseInsensitiveSuffix(const QString& receiver, const QString& suffix) {
  return hasCaseInsensitiveAffix(receiver, suffix, true);
}

QString deprefixCaseInsensitive(const QString& receiver, const QString& prefix) {
  const std::optional<qsizetype> length = caseInsensitiveAffixLength(receiver, prefix, false);
  return length ? receiver.sliced(*length) : receiver;
}

QString desuffix(const QString& receiver, const QString& suffix) {
  if (isBlankString(receiver) || suffix.isEmpty() || !receiver.endsWith(suffix)) return receiver;
  return receiver.first(receiver.size() - suffix.size());
}

QString desuffixCaseInsensitive(const QString& receiver, const QString& suffix) {
  const std::optional<qsizetype> length = caseInsensitiveAffixLength(receiver, suffix, true);
  return length ? receiver.first(receiver.size() - *length) : receiver;
}

bool isEqualToStringIgnoringCase(const QString& receiver, const std::optional<QString>& other) {
  if (!other) return false;
  if (isAscii(receiver) && isAscii(*other)) return asciiEqualIgnoringCase(receiver, *other);
  return receiver.toLower() == other->toLower();
}

QString substringToDelim(const QString& receiver, const QString& delim) {
  const std::optional<TextRange> found = findCanonicallyEquivalent(receiver, delim, false);
  return found ? receiver.first(found->position) : receiver;
}

QString substringFromDelim(const QString& receiver, const QString& delim) {
  const std::optional<TextRange> found = findCanonicallyEquivalent(receiver, delim, false);
  return found ? receiver.sliced(found->position + found->length) : receiver;
}

QString substringFromDelim(const QString& receiver, const QString& fromDelim, const QString& toDelim) {
  const std::optional<TextRange> start = findCanonicallyEquivalent(receiver, fromDelim, false);
  if (!start) return receiver;
  const QString rest = receiver.sliced(start->position + start->length);
  return substringToDelim(rest, toDelim);
}

QString snrBatch(const QString& receiver, const QStringList& search, const QStringList& replaceArray) {
  if (isBlankString(receiver)) return receiver;
  // Callers run one batch over many texts. The batch compiled last on this
  // thread is used again while both lists are the very data it was compiled
  // from: lists sharing their data with the copies kept here cannot have
  // changed, since changing a shared list first copies it.
  struct Compiled {
    QStringList search, replaceArray;
    std::optional<ReplacementBatch> batch;
  };
  thread_local Compiled compiled;
  if (!compiled.batch || !search.isSharedWith(compiled.search) ||
      !replaceArray.isSharedWith(compiled.replaceArray)) {
    compiled.batch.emplace(search, replaceArray);
    compiled.search = search;
    compiled.replaceArray = replaceArray;
  }
  return compiled.batch->apply(receiver);
}

QString stripDiacritical(const QString& receiver) {
  // Below U+00C0 nothing decomposes and nothing is a combining mark.
  if (isBlankString(receiver) || allUnitsBelow(receiver, 0xC0)) return receiver;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return receiver;
  // Decomposed in segments that end at normalization boundaries, so the
  // result is that of the whole text while ICU's lengths stay small.
  constexpr qsizetype kSegment = 1 << 14;
  constexpr qsizetype kIcuLimit = std::numeric_limits<int32_t>::max() / 4;
  QString out;
  out.reserve(receiver.size() + receiver.size() / 8);
  const qsizetype n = receiver.size();
  for (qsizetype start = 0; start < n;) {
    qsizetype end = std::min(n, start + kSegment);
    if (end < n && receiver[end].isLowSurrogate()) ++end;
    while (end < n && !nfd->hasBoundaryBefore(static_cast<UChar32>(codePointAt(receiver, end))))
      end += codePointSizeAt(receiver, end);
    const QStringView segment = QStringView(receiver).sliced(start, end - start);
    if (segment.size() > kIcuLimit) {  // too long for ICU: marks go, bases stay as they are
      appendWithoutMarks(out, segment);
    } else {
      const icu::UnicodeString alias(false, segment.utf16(), static_cast<int32_t>(segment.size()));
      const icu::UnicodeString decomposed = nfd->normalize(alias, status);
      if (U_FAILURE(status)) return receiver;
      appendWithoutMarks(out, QStringView(decomposed.getBuffer(), decomposed.length()));
    }
    start = end;
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
