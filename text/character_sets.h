// Character sets of the string toolkit: a small immutable set type, the two
// fixed sets the library answers, and the platform's whitespace-and-newline
// test used wherever text is trimmed or scanned.
#pragma once

#include <QStringView>
#include <array>
#include <cstdint>
#include <vector>

// An immutable set of Unicode code points. ASCII membership is a bit test;
// anything else is a binary search in a short sorted list.
class CharacterSet {
 public:
  CharacterSet() = default;

  // Builds the set of the characters of `characters`; a surrogate pair counts as
  // the one code point it encodes, a lone surrogate as itself.
  // Example: CharacterSet(u"-1234567890").contains(u'7') == true.
  explicit CharacterSet(QStringView characters);

  [[nodiscard]] bool contains(char16_t c) const {
    return c < 128 ? (ascii_[c >> 6] >> (c & 63)) & 1 : containsCodePoint(c);
  }
  [[nodiscard]] bool containsCodePoint(char32_t c) const;
  [[nodiscard]] bool isEmpty() const;

  friend bool operator==(const CharacterSet&, const CharacterSet&) = default;

 private:
  std::array<std::uint64_t, 2> ascii_{};
  std::vector<char32_t> others_;  // sorted, unique
};

// True for the characters the platform counts as white space or newline: the
// separators of categories Zs, Zl and Zp, U+0009 to U+000D, and U+0085.
// Example: U+00A0 and U+2028 are; U+200B (zero width space) is not.
[[nodiscard]] constexpr bool isWhitespaceOrNewline(char16_t c) {
  if (c < 0x80) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x1680) return c == 0x85 || c == 0xA0;
  return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

namespace Tirr_NSCharacterSetAdditions {

// The library's white space: exactly space, tab, LF, CR, VT and FF. Built on
// first use; every call answers the same object. U+00A0 and U+0085 are not in it.
[[nodiscard]] const CharacterSet& allWhitespaceCharacterSet();

// The library's newlines: exactly LF and CR. Built on first use; every call
// answers the same object.
[[nodiscard]] const CharacterSet& newlineCharacterSet();

}  // namespace Tirr_NSCharacterSetAdditions
