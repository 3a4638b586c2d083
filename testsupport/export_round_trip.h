// What a number or note comes back as after an export and an import of it,
// worked out independently of the export: line breaks become spaces, U+0000
// becomes U+FFFD, white space at the ends goes, and the parser's placeholder
// "<<quote>>" reads as one double quote. For the round-trip test and fuzz target.
#pragma once

#include <QString>

#include "text/character_sets.h"
#include "text/paragraph_scanner.h"

inline QString afterRoundTrip(QString text) {
  for (QChar& c : text) {
    if (ParagraphScanner::isTerminator(c.unicode()))
      c = u' ';
    else if (c.unicode() == 0)
      c = QChar(0xFFFD);
  }
  qsizetype begin = 0, end = text.size();
  while (begin < end && isWhitespaceOrNewline(text[begin].unicode())) ++begin;
  while (end > begin && isWhitespaceOrNewline(text[end - 1].unicode())) --end;
  return text.mid(begin, end - begin).replace(QStringLiteral("<<quote>>"), QStringLiteral("\""));
}
