// The one left-to-right, non-overlapping search-and-replace walk that the
// toolkit's replacements share, written once for any output buffer.
#pragma once

#include <QStringView>

// Calls `append(QStringView)` with the pieces of `text` in order, every
// occurrence of `target` handed over as `replacement` instead. Occurrences are
// found left to right, never overlap, and replacement text is never searched
// again. An empty target matches nothing. Answers the number of replacements.
// Example: "aaa", target "aa", replacement "b" appends "b", "a".
template <typename Append>
qsizetype forEachReplacedPiece(QStringView text, QStringView target, QStringView replacement,
                               Append&& append) {
  if (target.isEmpty()) {
    append(text);
    return 0;
  }
  qsizetype count = 0;
  qsizetype from = 0;
  for (qsizetype at; (at = text.indexOf(target, from)) >= 0; from = at + target.size()) {
    append(text.sliced(from, at - from));
    append(replacement);
    ++count;
  }
  append(text.sliced(from));
  return count;
}
