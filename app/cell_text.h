// Long cell texts as the table shows them. Laying out a text costs time in
// its whole length on every paint, so a note of fifty megabytes would freeze
// the window; the table shows the start of such a text and an ellipsis,
// while editing and storing keep the whole of it.
#pragma once

#include <QString>

// Characters of a long text that the table shows.
inline constexpr qsizetype kShownCellLength = 300;

// `text` itself when it has at most kShownCellLength characters; otherwise its
// first kShownCellLength (one fewer when that would split a surrogate pair),
// followed by "…". Example: 1,000 × "a" -> 300 × "a" + "…".
[[nodiscard]] QString shownCellText(QStringView text);
