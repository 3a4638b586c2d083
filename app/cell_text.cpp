#include "app/cell_text.h"

QString shownCellText(const QString& text) {
  if (text.size() <= kShownCellLength) return text;
  qsizetype cut = kShownCellLength;
  if (text[cut - 1].isHighSurrogate()) --cut;
  return text.first(cut) + QChar(0x2026);
}
