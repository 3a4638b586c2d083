#include "text/string_units.h"

#include <array>

#include "text/code_points.h"
#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

// Picks the entry at `index` of a list, the all-ones index meaning the last.
std::optional<QString> entryAt(const QStringList& list, quint64 index) {
  if (list.isEmpty()) return std::nullopt;
  if (index == kLastIndex) return list.back();
  if (index < quint64(list.size())) return list[qsizetype(index)];
  return std::nullopt;
}

constexpr std::array<bool, 128> kAsciiWordCharacters = [] {
  std::array<bool, 128> table{};
  for (char c = 'a'; c <= 'z'; ++c) table[c] = table[c - 'a' + 'A'] = true;
  for (char c = '0'; c <= '9'; ++c) table[c] = true;
  table['-'] = true;
  return table;
}();

// Letters, marks, digits (categories L, M and N) and the hyphen-minus.
bool isWordCharacter(char32_t c) {
  if (c < 0x80) return kAsciiWordCharacters[c];
  switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
      return true;
    default:
      return false;
  }
}

// The runs of code points for which `isSeparator` answers false.
template <typename IsSeparator>
QStringList tokens(const QString& text, IsSeparator isSeparator) {
  QStringList out;
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n) {
    while (i < n && isSeparator(codePointAt(text, i))) i += codePointSizeAt(text, i);
    const qsizetype start = i;
    while (i < n && !isSeparator(codePointAt(text, i))) i += codePointSizeAt(text, i);
    if (i > start) out.append(start == 0 && i == n ? text : text.sliced(start, i - start));
  }
  return out;
}

}  // namespace

QStringList characters(const QString& receiver) {
  QStringList out;
  out.reserve(receiver.size());
  for (QChar c : receiver) out.append(QString(c));
  return out;
}

quint64 characterCount(const QString& receiver) { return quint64(receiver.size()); }

std::optional<QString> charAtIndex(const QString& receiver, quint64 index) {
  if (receiver.isEmpty()) return std::nullopt;
  if (index == kLastIndex) return QString(receiver.back());
  if (index < quint64(receiver.size())) return QString(receiver[qsizetype(index)]);
  return std::nullopt;
}

QString firstCharacter(const QString& receiver) {
  if (receiver.size() <= 1) return receiver;
  return QString(receiver.front());
}

QStringList words(const QString& receiver) {
  return tokens(receiver, [](char32_t c) { return !isWordCharacter(c); });
}

quint64 wordCount(const QString& receiver) { return quint64(words(receiver).size()); }

std::optional<QString> wordAtIndex(const QString& receiver, quint64 index) {
  return entryAt(words(receiver), index);
}

quint64 paragraphCount(const QString& receiver) { return quint64(paragraphs(receiver).size()); }

std::optional<QString> paragraphAtIndex(const QString& receiver, quint64 index) {
  return entryAt(paragraphs(receiver), index);
}

QStringList tokensSeparatedByCharactersFromSet(const QString& receiver, const CharacterSet& separators) {
  return tokens(receiver, [&](char32_t c) { return separators.containsCodePoint(c); });
}

QString reverse(const QString& receiver) {
  const qsizetype n = receiver.size();
  QString out(n, Qt::Uninitialized);
  QChar* to = out.data();
  for (qsizetype end = n; end > 0;) {
    const qsizetype size = codePointSizeBefore(receiver, end);
    end -= size;
    for (qsizetype k = 0; k < size; ++k) *to++ = receiver[end + k];
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
