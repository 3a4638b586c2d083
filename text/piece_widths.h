// Widths of text put together from the measured widths of its characters
// and of adjacent pairs, so that the width of many texts in one font costs a
// few table lookups per character instead of a text layout each.
//
// A text is cut into units: single characters, except where the font draws
// two neighbours as other glyphs than their own (a ligature such as "fi"),
// which then stay together in one unit measured whole. The width of a text is
// the widths of its units plus, for each two neighbouring units, what drawing
// them together adds (kerning). That is how Qt's text layout arrives at the
// width (QFontMetricsF::horizontalAdvance) of the characters admitted here:
// one left-to-right script (Latin) with common punctuation, no marks, controls
// or format characters. A font whose contextual rules reach over more than
// two units breaks the rule, so callers measure the text they answer with and
// fall back to measuring every candidate when the two disagree.
#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>
#include <array>
#include <limits>
#include <vector>

class PieceWidths {
 public:
  explicit PieceWidths(const QFont& font);

  [[nodiscard]] const QFont& font() const { return font_; }

  // True for the characters whose widths add up as described above.
  [[nodiscard]] static bool isAdmitted(char16_t c) {
    if (c < 0x80) return c >= 0x20 && c < 0x7F;
    return (c >= 0xA0 && c <= 0x24F && c != 0xAD) || (c >= 0x1E00 && c <= 0x1EFF) ||
           (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) || (c >= 0x20A0 && c <= 0x20C0);
  }

  // The width of one character by itself, as measured.
  [[nodiscard]] double characterWidth(char16_t c);

  // What drawing `a` and `b` side by side adds to their own widths, or
  // kDrawnTogether when the font draws the pair with other glyphs.
  [[nodiscard]] double pairJoin(char16_t a, char16_t b);
  static constexpr double kDrawnTogether = std::numeric_limits<double>::infinity();

  // The longest unit put together (longer runs of characters drawn together
  // are measured whole by the caller) and the most widths kept in each table
  // beyond printable ASCII (a full table starts again).
  static constexpr qsizetype kLongestUnit = 8;
  static constexpr qsizetype kMostKept = 1 << 16;

  // The widths of every prefix of `text` put together from its pieces:
  // (*widths)[p] for the first p code units, p = 0 to text.size(). False
  // when `text` holds a character that is not admitted or a run of more than
  // kLongestUnit characters drawn together.
  bool prefixWidths(QStringView text, std::vector<double>* widths);

  // False once the widths have failed to add up a few times: the font draws
  // in ways the pieces do not capture, and every candidate has to be measured.
  [[nodiscard]] bool usable() const { return failures_ < 3; }

  // Drops every measurement (the fonts may have changed since) and counts
  // one failure.
  void forgetMeasurements();

 private:
  static constexpr unsigned kAsciiPrintable = 0x7F - 0x20;
  static constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

  [[nodiscard]] double measure(const QString& text) const;
  double unitWidth(QStringView unit);
  double unitJoin(QStringView left, QStringView right);
  [[nodiscard]] QList<quint64> glyphsOf(const QString& text) const;

  QFont font_;
  int failures_ = 0;
  std::array<double, 0x80> asciiWidths_;
  QHash<char16_t, double> otherWidths_;
  std::vector<double> asciiJoins_;  // by pairs of printable ASCII characters
  QHash<quint32, double> otherJoins_;
  QHash<QString, double> unitWidths_;
  QHash<QString, double> unitJoins_;
};

// The piece widths of `font` for the calling thread, kept for the few fonts
// used most recently.
[[nodiscard]] PieceWidths& pieceWidthsOf(const QFont& font);
