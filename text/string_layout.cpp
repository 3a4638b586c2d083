#include "text/string_layout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/piece_widths.h"
#include "text/string_affixes.h"
#include "text/string_core.h"

namespace {

// True when `at` falls between the two halves of a surrogate pair of `text`.
bool splitsPair(QStringView text, qsizetype at) {
  return at > 0 && at < text.size() && codePointSizeAt(text, at - 1) == 2;
}

// Blurs the alpha channel (and with it the premultiplied colour) of `image`
// by three box passes each way, close to a Gaussian of the given radius.
void blur(QImage& image, int radius) {
  if (radius <= 0) return;
  const int w = image.width(), h = image.height();
  const int box = std::max(1, radius / 2);
  std::vector<QRgb> line(std::max(w, h));
  auto pass = [&](int count, int length, auto pixel) {
    for (int c = 0; c < count; ++c) {
      for (int i = 0; i < length; ++i) line[i] = *pixel(c, i);
      for (int i = 0; i < length; ++i) {
        int a = 0, r = 0, g = 0, b = 0, n = 0;
        for (int j = std::max(0, i - box); j <= std::min(length - 1, i + box); ++j, ++n) {
          a += qAlpha(line[j]), r += qRed(line[j]), g += qGreen(line[j]), b += qBlue(line[j]);
        }
        *pixel(c, i) = qRgba(r / n, g / n, b / n, a / n);
      }
    }
  };
  auto at = [&](int x, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)) + x; };
  for (int round = 0; round < 3; ++round) {
    pass(h, w, [&](int y, int x) { return at(x, y); });
    pass(w, h, [&](int x, int y) { return at(x, y); });
  }
}

// truncateString with the metrics at hand and, where the caller has measured
// them already, the widths of the whole text and of the ellipsis.
//
// Prefixes are measured at code point boundaries, 1, 2, 4, ... units long
// first, so that every measurement is short: the first prefix wider than
// `width` shows the whole text is wider too, and a text is measured whole only
// when it stays within `width` that far. Bisection between the longest
// prefix that fits with the ellipsis and the shortest that does not then finds
// the cut that removing one code point at a time would find, provided a longer
// prefix never draws narrower than a shorter one.
QString truncateMeasured(const QString& receiver, double width, const QFontMetricsF& metrics,
                         std::optional<double> wholeWidth, std::optional<double> ellipsisWidth) {
  const QStringView text(receiver);
  auto widthOf = [&](qsizetype length) {
    return metrics.horizontalAdvance(length == text.size() ? receiver : text.first(length).toString());
  };
  auto boundaryFrom = [&](qsizetype at) { return splitsPair(text, at) ? at + 1 : at; };
  const double available =
      width -
      (ellipsisWidth ? *ellipsisWidth : metrics.horizontalAdvance(Tirr_NSStringAdditions::ellipsisString()));
  // Candidates leave at least the last code point out. `fitting` fits with
  // the ellipsis (0 stands for "nothing fits"); `failing` does not.
  const qsizetype last = text.size() - codePointSizeBefore(text, text.size());
  qsizetype fitting = 0;
  qsizetype failing = -1;
  auto record = [&](qsizetype at, double measured) {
    if (measured <= available)
      fitting = std::max(fitting, std::min(at, last));
    else if (failing < 0)
      failing = at;
  };

  if (wholeWidth) {
    if (*wholeWidth <= width) return receiver;
  } else {
    for (qsizetype probe = 1;; probe *= 2) {
      const qsizetype at = boundaryFrom(std::min(probe, text.size()));
      const double measured = widthOf(at);
      if (measured <= width && at == text.size()) return receiver;
      record(at, measured);
      if (measured > width || at == text.size()) break;  // a NaN width fits nothing
    }
  }
  if (text.size() <= 2) return receiver;
  if (failing < 0) {
    // The whole width is known: start from the cut that the characters' own
    // advances (kerning and shaping left out, so cheap) suggest, and step
    // outwards from it, doubling the step, with real measurements.
    double advances = 0;
    qsizetype guess = 1;
    for (qsizetype i = 0; i < last;) {
      const qsizetype units = codePointSizeAt(text, i);
      advances += units == 1 ? metrics.horizontalAdvance(text[i])
                             : metrics.horizontalAdvance(text.sliced(i, units).toString());
      if (advances > available) break;
      i += units;
      guess = std::max<qsizetype>(i, 1);
    }
    guess = boundaryFrom(std::min(guess, last));
    if (widthOf(guess) <= available) {
      fitting = guess;
      for (qsizetype step = 1; failing < 0 && fitting < last; step *= 2) {
        const qsizetype at = boundaryFrom(std::min(fitting + step, last));
        (widthOf(at) <= available ? fitting : failing) = at;
      }
    } else {
      failing = guess;
      for (qsizetype step = 1;; step *= 2) {
        qsizetype at = std::max<qsizetype>(0, failing - step);
        if (splitsPair(text, at)) --at;
        if (at == 0) break;
        if (widthOf(at) <= available) {
          fitting = at;
          break;
        }
        failing = at;
      }
    }
    if (failing < 0) failing = last + 1;
  }

  failing = std::min(failing, last + 1);
  while (failing - fitting > 1) {
    qsizetype middle = fitting + (failing - fitting) / 2;
    if (splitsPair(text, middle)) middle += middle - 1 > fitting ? -1 : 1;
    if (middle >= failing) break;
    (widthOf(middle) <= available ? fitting : failing) = middle;
  }
  while (fitting > 0 && isWhitespaceOrNewline(text[fitting - 1].unicode())) --fitting;
  return receiver.first(fitting) + Tirr_NSStringAdditions::ellipsisString();
}

// A path component and its width, NaN where it has not been measured yet.
struct PathComponent {
  QStringView text;
  double width = std::numeric_limits<double>::quiet_NaN();
};

// The components of a path, as views into it: the parts between "/"
// separators, empty parts left out, with a leading "/" as a component of its
// own.
std::vector<PathComponent> pathComponentViews(const QString& path) {
  std::vector<PathComponent> components;
  if (path.startsWith(QLatin1Char('/'))) components.push_back({QStringView(path).first(1)});
  for (QStringView part : QStringView(path).split(QLatin1Char('/'), Qt::SkipEmptyParts))
    components.push_back({part});
  return components;
}

// The path of `components` with its middle collapsed into "…" as far as the
// estimate asks (see truncatePathString), joined again with "/".
// `wholeWidth` is the path's width; `measure` gives the width of a component
// whose width is not known yet.
template <typename Measure>
QString collapsePath(std::vector<PathComponent> components, double wholeWidth, double width,
                     double ellipsisWidth, Measure measure) {
  double estimate = wholeWidth;
  const QString& ellipsis = Tirr_NSStringAdditions::ellipsisString();
  if (components.size() >= 3) {
    // The estimate counts the components only; separators are left out, and
    // taking out an ellipsis already placed does not change it.
    auto collapse = [&](std::size_t i) {
      PathComponent& component = components[i];
      estimate += ellipsisWidth - (std::isnan(component.width) ? measure(component.text) : component.width);
      component = {ellipsis, ellipsisWidth};
    };
    std::size_t middle = components.size() / 2;
    collapse(middle);
    while (components.size() > 3 && estimate > width) {
      components.erase(components.begin() + qsizetype(middle));
      middle = components.size() / 2;
      collapse(middle);
    }
    if (components.size() == 3 && estimate > width)
      components.erase(components.begin(), components.begin() + 2);
  }
  QString joined;
  for (const PathComponent& component : components) {
    if (!joined.isEmpty()) joined += QLatin1Char('/');
    joined += component.text;
  }
  return Tirr_NSStringAdditions::snr(joined, QStringLiteral("//"), QStringLiteral("/"));
}

// truncatePathString with every width put together from piece widths, and
// only the answer measured whole; nullopt where the path holds characters
// whose widths do not add up, or where the measured answer is not what the
// pieces said (the caller then measures every candidate).
std::optional<QString> truncatePathFromPieces(const QString& receiver, double width, const QFont& font) {
  if (!std::isfinite(width)) return std::nullopt;
  PieceWidths& pieces = pieceWidthsOf(font);
  if (!pieces.usable()) return std::nullopt;
  thread_local std::vector<double> widths;
  if (!pieces.prefixWidths(receiver, &widths)) return std::nullopt;
  const QFontMetricsF metrics(font);
  auto confirmed = [&](const QString& text, double estimate) {
    if (metrics.horizontalAdvance(text) == estimate) return true;
    pieces.forgetMeasurements();
    return false;
  };
  const double wholeWidth = widths.back();
  if (wholeWidth <= width) {
    if (!confirmed(receiver, wholeWidth)) return std::nullopt;
    return receiver;
  }

  // A component weighs the difference of the prefix widths at its ends, less
  // its join to the "/" before it, where that "/" is a unit of its own.
  std::vector<PathComponent> components = pathComponentViews(receiver);
  const char16_t* text = reinterpret_cast<const char16_t*>(receiver.constData());  // utf16() could detach
  for (PathComponent& component : components) {
    const qsizetype start = component.text.utf16() - text;
    const qsizetype end = start + component.text.size();
    if (start == 0) {
      component.width = widths[end];
      continue;
    }
    const double join = pieces.pairJoin(text[start - 1], text[start]);
    if (join == PieceWidths::kDrawnTogether ||
        (start >= 2 && pieces.pairJoin(text[start - 2], text[start - 1]) == PieceWidths::kDrawnTogether))
      continue;  // measured when needed
    component.width = widths[end] - widths[start] - join;
  }
  const double ellipsisWidth = pieces.characterWidth(Tirr_NSStringAdditions::ellipsisString()[0].unicode());
  std::vector<double> componentWidths;
  const QString joined =
      collapsePath(std::move(components), wholeWidth, width, ellipsisWidth, [&](QStringView component) {
        return pieces.prefixWidths(component, &componentWidths) ? componentWidths.back() : 0.0;
      });
  if (joined.isEmpty()) return joined;
  if (!pieces.prefixWidths(joined, &widths)) return std::nullopt;
  if (widths.back() <= width) {
    if (!confirmed(joined, widths.back())) return std::nullopt;
    return joined;
  }
  if (joined.size() <= 2) return joined;
  // The longest prefix, one character short at least, that does not end in
  // white space and fits with the ellipsis.
  const double available = width - ellipsisWidth;
  for (qsizetype cut = joined.size() - 1; cut > 0; --cut) {
    if (widths[cut] > available || isWhitespaceOrNewline(joined[cut - 1].unicode())) continue;
    const QString kept = joined.first(cut);
    if (!confirmed(kept, widths[cut])) return std::nullopt;
    return kept + Tirr_NSStringAdditions::ellipsisString();
  }
  return Tirr_NSStringAdditions::ellipsisString();
}

QTextOption textOption(const TextAttributes& attributes) {
  QTextOption option;
  if (attributes.paragraphStyle) {
    option.setAlignment(attributes.paragraphStyle->alignment);
    option.setWrapMode(attributes.paragraphStyle->wrapMode);
  }
  return option;
}

}  // namespace

void drawAttributedString(QPainter* painter, const QRectF& rect, const AttributedString& string) {
  const TextAttributes& attributes = string.attributes;
  const QTextOption option = textOption(attributes);
  painter->save();
  painter->setFont(attributes.font);
  if (attributes.shadow) {
    // The shadow is the text drawn in the shadow colour on a transparent
    // layer with room for the blur, blurred, and laid under the text.
    const TextShadow& shadow = *attributes.shadow;
    const int margin = int(std::ceil(shadow.blurRadius)) + 1;
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QImage layer((rect.size() + QSizeF(2 * margin, 2 * margin)).toSize() * ratio,
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
      QPainter layerPainter(&layer);
      layerPainter.setFont(attributes.font);
      layerPainter.setPen(shadow.color);
      layerPainter.drawText(QRectF(QPointF(margin, margin), rect.size()), string.text, option);
    }
    blur(layer, int(std::lround(shadow.blurRadius * ratio)));
    painter->drawImage(rect.topLeft() + shadow.offset - QPointF(margin, margin), layer);
  }
  painter->setPen(attributes.foregroundColor.value_or(QColor(Qt::black)));
  painter->drawText(rect, string.text, option);
  painter->restore();
}

namespace Tirr_NSStringAdditions {

const QString& ellipsisString() {
  static const QString ellipsis(QChar(0x2026));
  return ellipsis;
}

QString wrapToLength(const QString& receiver, quint64 limit) {
  // A limit below 2 leaves no position to cut before it; 2 always progresses.
  const qsizetype maxLength = qsizetype(std::clamp<quint64>(limit, 2, std::numeric_limits<qsizetype>::max()));
  if (receiver.size() <= maxLength) return receiver;

  const QStringView text(receiver);
  QString out;
  out.reserve(text.size() + text.size() / (maxLength - 1) + 1);
  qsizetype lineStart = 0;
  for (;;) {
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
    if (lineEnd < 0) lineEnd = text.size();
    QStringView line = text.sliced(lineStart, lineEnd - lineStart);
    while (line.size() > maxLength) {
      qsizetype cut = maxLength - 1;
      while (cut > 0 && line[cut] != QLatin1Char(' ') && line[cut] != QLatin1Char('-')) --cut;
      if (cut == 0) {
        cut = maxLength - 1;
        // Moving a hard cut off a surrogate pair: back when a piece is left,
        // else forward past the pair (the piece then holds just that pair).
        if (splitsPair(line, cut)) cut += cut > 1 ? -1 : 1;
      }
      out += line.first(cut);
      out += QLatin1Char('\n');
      line = line.sliced(cut);
      if (line.startsWith(QLatin1Char(' '))) line = line.sliced(1);
    }
    out += line;
    if (lineEnd == text.size()) break;
    out += QLatin1Char('\n');
    lineStart = lineEnd + 1;
  }
  return out;
}

QString truncateStringToMaxCharacters(const QString& receiver, quint64 maximum) {
  if (receiver.isEmpty() || quint64(receiver.size()) <= maximum) return receiver;
  qsizetype cut = qsizetype(maximum);
  if (splitsPair(receiver, cut)) --cut;
  return trimFromEnd(receiver.first(cut), {QStringLiteral(" ")}) + ellipsisString();
}

QString truncateString(const QString& receiver, double width, const TextAttributes& attributes) {
  if (receiver.isEmpty()) return receiver;
  return truncateMeasured(receiver, width, QFontMetricsF(attributes.font), std::nullopt, std::nullopt);
}

QString truncatePathString(const QString& receiver, double width, const TextAttributes& attributes) {
  if (receiver.isEmpty()) return receiver;
  if (std::optional<QString> fromPieces = truncatePathFromPieces(receiver, width, attributes.font))
    return *std::move(fromPieces);

  const QFontMetricsF metrics(attributes.font);
  const double wholeWidth = metrics.horizontalAdvance(receiver);
  if (wholeWidth <= width) return receiver;
  const double ellipsisWidth = metrics.horizontalAdvance(ellipsisString());
  const QString joined =
      collapsePath(pathComponentViews(receiver), wholeWidth, width, ellipsisWidth,
                   [&](QStringView component) { return metrics.horizontalAdvance(component.toString()); });
  if (joined.isEmpty()) return joined;
  return truncateMeasured(joined, width, metrics,
                          joined == receiver ? wholeWidth : metrics.horizontalAdvance(joined), ellipsisWidth);
}

AttributedString hoverAttributedStringOfSize(const QString& receiver, double size) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setBold(true);
  if (size > 0) font.setPointSizeF(size);
  return {receiver,
          {font, ParagraphStyle{QTextOption::WordWrap, Qt::AlignHCenter}, QColor(Qt::white),
           TextShadow{QColor(Qt::black), QPointF(0, 1), 3}}};
}

}  // namespace Tirr_NSStringAdditions
