#include "text/character_sets.h"

#include <QChar>
#include <algorithm>

CharacterSet::CharacterSet(QStringView characters) {
  for (qsizetype i = 0; i < characters.size(); ++i) {
    char32_t c = characters[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < characters.size() && characters[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(characters[i].unicode(), characters[i + 1].unicode());
      ++i;
    }
    if (c < 128) {
      ascii_[c >> 6] |= std::uint64_t{1} << (c & 63);
    } else {
      others_.push_back(c);
    }
  }
  std::sort(others_.begin(), others_.end());
  others_.erase(std::unique(others_.begin(), others_.end()), others_.end());
}

bool CharacterSet::containsCodePoint(char32_t c) const {
  if (c < 128) return (ascii_[c >> 6] >> (c & 63)) & 1;
  return std::binary_search(others_.begin(), others_.end(), c);
}

bool CharacterSet::isEmpty() const { return ascii_[0] == 0 && ascii_[1] == 0 && others_.empty(); }

namespace Tirr_NSCharacterSetAdditions {

const CharacterSet& allWhitespaceCharacterSet() {
  static const CharacterSet whiteSet(u" \t\n\r\v\f");
  return whiteSet;
}

const CharacterSet& newlineCharacterSet() {
  static const CharacterSet newlineSet(u"\n\r");
  return newlineSet;
}

}  // namespace Tirr_NSCharacterSetAdditions
