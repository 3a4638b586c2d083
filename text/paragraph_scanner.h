// Line-by-line walking of a text without copying it, with exactly the line
// rules of Tirr_NSStringAdditions::paragraphs(). Readers of large files use it
// to see each line as a view into the text they already hold.
#pragma once

#include <QStringView>

// Yields the lines of a text as views, without their terminators. Terminators
// are LF, CR, the pair CR LF (one terminator), U+0085, U+2028 and U+2029. An
// empty text has no lines; a text ending with a terminator has a final empty line.
// Example: "a\r\n\r\nb" yields "a", "", "b";  "a\n" yields "a", "".
class ParagraphScanner {
 public:
  explicit ParagraphScanner(QStringView text) : text_(text), done_(text.isEmpty()) {}

  // Sets `line` to the next line and answers true, or answers false at the end.
  bool next(QStringView& line) {
    if (done_) return false;
    const char16_t* const data = text_.utf16();
    const qsizetype size = text_.size();
    qsizetype i = pos_;
    while (i < size && !isTerminator(data[i])) ++i;
    line = text_.sliced(pos_, i - pos_);
    if (i == size) {
      done_ = true;
    } else {
      pos_ = (data[i] == u'\r' && i + 1 < size && data[i + 1] == u'\n') ? i + 2 : i + 1;
    }
    return true;
  }

  [[nodiscard]] static constexpr bool isTerminator(char16_t c) {
    if (c > u'\r' && c < 0x85) return false;  // the common case: printable ASCII
    return c == u'\n' || c == u'\r' || c == 0x85 || c == 0x2028 || c == 0x2029;
  }

 private:
  QStringView text_;
  qsizetype pos_ = 0;
  bool done_;
};
