// Code-point stepping over UTF-16 text. A well-formed surrogate pair is one
// code point; a lone surrogate stands for itself, so no text is ever rejected.
#pragma once

#include <QChar>
#include <QStringView>

// Answers the number of units (1 or 2) of the code point that starts at `i`.
[[nodiscard]] inline qsizetype codePointSizeAt(QStringView s, qsizetype i) {
  return (i + 1 < s.size() && s[i].isHighSurrogate() && s[i + 1].isLowSurrogate()) ? 2 : 1;
}

// Answers the code point that starts at `i`; a lone surrogate answers itself.
[[nodiscard]] inline char32_t codePointAt(QStringView s, qsizetype i) {
  return codePointSizeAt(s, i) == 2 ? QChar::surrogateToUcs4(s[i], s[i + 1]) : char32_t(s[i].unicode());
}

// Answers the number of units (1 or 2) of the code point that ends just before `end`.
[[nodiscard]] inline qsizetype codePointSizeBefore(QStringView s, qsizetype end) {
  return (end >= 2 && s[end - 1].isLowSurrogate() && s[end - 2].isHighSurrogate()) ? 2 : 1;
}

// True when every unit of `s` is below `limit` (0x80 asks for plain ASCII).
[[nodiscard]] inline bool allUnitsBelow(QStringView s, char16_t limit) {
  for (QChar c : s)
    if (c.unicode() >= limit) return false;
  return true;
}
