#include "app/cell_text.h"

QString shownCellText(QStringView text) {
  if (text.size() <= kShownCellLength) return text.toString();
  qsizetype cut = kShownCellLength;
  if (text[cut - 1].isHighSurrogate()) --cut;
  return text.first(cut).toString() + QChar(0x2026);
}
