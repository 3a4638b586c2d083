// Fitting text into limited space: wrapping to a line length, cutting to a
// number of characters or to a drawn width (with a trailing "…"), collapsing
// the middle of a file path, and dressing a string as a hover label.
//
// Lengths and positions count UTF-16 code units, but no cut ever separates the
// two halves of a surrogate pair. Widths are measured by Qt's text measurement
// (QFontMetricsF::horizontalAdvance of the attributes' font, in the units of
// the default screen; a QGuiApplication must exist), so the exact cut
// positions depend on the font in use and on nothing else.
#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QString>
#include <QTextOption>
#include <optional>

class QPainter;
class QRectF;

// A drop shadow: drawn in `color`, displaced by `offset` (Qt coordinates: a
// positive y lies below the text) and blurred over `blurRadius` units.
struct TextShadow {
  QColor color;
  QPointF offset;
  qreal blurRadius = 0;
  friend bool operator==(const TextShadow&, const TextShadow&) = default;
};

// How lines of a paragraph are broken and aligned.
struct ParagraphStyle {
  QTextOption::WrapMode wrapMode = QTextOption::WordWrap;
  Qt::Alignment alignment = Qt::AlignLeft;
  friend bool operator==(const ParagraphStyle&, const ParagraphStyle&) = default;
};

// The attributes text is measured and drawn with. Only the font affects
// measuring; the rest is carried along unchanged for whoever draws the text.
struct TextAttributes {
  QFont font;
  std::optional<ParagraphStyle> paragraphStyle;
  std::optional<QColor> foregroundColor;
  std::optional<TextShadow> shadow;
  friend bool operator==(const TextAttributes&, const TextAttributes&) = default;
};

// A text with the attributes it is drawn with, all of it in one style.
struct AttributedString {
  QString text;
  TextAttributes attributes;
};

// Draws `string` inside `rect`: the shadow first (blurred, offset), then the
// text in its colour, wrapped and aligned by its paragraph style.
void drawAttributedString(QPainter* painter, const QRectF& rect, const AttributedString& string);

namespace Tirr_NSStringAdditions {

// The one-character string "…" (U+2026) that every truncation appends. Built
// on first use and the same object for the life of the process.
[[nodiscard]] const QString& ellipsisString();

// Breaks every line longer than `limit` into pieces of at most limit - 1 code
// units, cutting at the last space or hyphen among positions 1 to limit - 1,
// else hard at limit - 1 (moved off a surrogate pair). A space at the cut is dropped; a
// hyphen moves to the start of the next piece. Existing "\n" stay; a text no
// longer than `limit` comes back itself. A limit below 2 counts as 2.
// Example: wrapToLength("aaaa bbbb cccc", 10) -> "aaaa bbbb\ncccc".
// Example: wrapToLength("well-known fact", 8) -> "well\n-known\nfact".
[[nodiscard]] QString wrapToLength(const QString& receiver, quint64 limit);

// Returns the receiver when it has at most `maximum` code units; otherwise its
// first `maximum` units without trailing spaces, followed by "…" (one more than
// the maximum when nothing was trimmed). A surrogate pair at the cut is left out
// whole. Example: truncateStringToMaxCharacters("Hello world", 6) -> "Hello…".
[[nodiscard]] QString truncateStringToMaxCharacters(const QString& receiver, quint64 maximum);

// Returns the receiver when it draws no wider than `width`; otherwise the
// longest shortening that, with "…" appended, fits, where a shortening drops
// code points from the end and then any white space left at its end. A text of
// one or two code units comes back even when too wide; when nothing fits the
// result is "…" alone.
// The cut is found by doubling and bisection over measured prefix widths, so
// a long text costs a few short measurements; this gives the same cut as
// shortening one code point at a time whenever a longer prefix never draws
// narrower than a shorter one, which holds for the left-to-right scripts.
[[nodiscard]] QString truncateString(const QString& receiver, double width, const TextAttributes& attributes);

// Fits a file path into `width` by putting "…" in place of its middle
// components, as many as the estimate (the components' widths, separators left
// out) asks for, keeping at least the first and last; when even that is too
// wide only the last component is kept. The result is then cut at its end with
// truncateString if still too wide. A leading "/" is a component of its own.
// Example, as the width shrinks: "/alpha/beta/gamma/delta" -> "/alpha/…/gamma/delta"
// -> "/alpha/…/delta" -> "/…/delta" -> "delta".
// For Latin text every width is put together from the kept widths of its
// characters and pairs (text/piece_widths.h) and only the answer is measured
// whole; should that measurement disagree, every candidate is measured. The
// cut is the one measuring every candidate gives.
[[nodiscard]] QString truncatePathString(const QString& receiver, double width,
                                         const TextAttributes& attributes);

// Returns the receiver dressed as a hover label: the bold system font of
// `size` points, white, centred and wrapped at word boundaries, with a black
// shadow one unit below the text, blurred over 3 units.
[[nodiscard]] AttributedString hoverAttributedStringOfSize(const QString& receiver, double size);

}  // namespace Tirr_NSStringAdditions
