#include "text/string_layout.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "text/character_sets.h"
#include "text/code_points.h"
#include "text/string_affixes.h"
#include "text/string_core.h"

namespace {

// True when `at` falls between the two halves of a surrogate pair of `text`.
bool splitsPair(QStringView text, qsizetype at) {
  return at > 0 && at < text.size() && codePointSizeAt(text, at - 1) == 2;
}

// The components of a path: the parts between "/" separators, empty parts
// left out, with a leading "/" as a component of its own.
QStringList pathComponents(const QString& path) {
  QStringList components;
  if (path.startsWith(QLatin1Char('/'))) components.append(QStringLiteral("/"));
  for (QStringView part : QStringView(path).split(QLatin1Char('/'), Qt::SkipEmptyParts))
    components.append(part.toString());
  return components;
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
  const QFontMetricsF metrics(attributes.font);
  if (metrics.horizontalAdvance(receiver) <= width) return receiver;
  if (receiver.size() <= 2) return receiver;

  const double available = width - metrics.horizontalAdvance(ellipsisString());
  const QStringView text(receiver);
  auto fits = [&](qsizetype length) {
    return metrics.horizontalAdvance(text.first(length).toString()) <= available;
  };

  // The longest prefix that fits, among those that end on a code point
  // boundary and leave at least the last code point out. `fitting` fits (the
  // empty prefix stands for "nothing fits"); `failing` does not, or lies past
  // the last candidate. Doubling first keeps every measurement short.
  const qsizetype last = text.size() - codePointSizeBefore(text, text.size());
  qsizetype fitting = 0;
  qsizetype failing = last + 1;
  for (qsizetype probe = 1;; probe *= 2) {
    const qsizetype at = std::min(probe, last) + (splitsPair(text, std::min(probe, last)) ? 1 : 0);
    if (!fits(at)) {
      failing = at;
      break;
    }
    fitting = at;
    if (at >= last) break;
  }
  while (failing - fitting > 1) {
    qsizetype middle = fitting + (failing - fitting) / 2;
    if (splitsPair(text, middle)) middle += middle - 1 > fitting ? -1 : 1;
    if (middle >= failing) break;
    (fits(middle) ? fitting : failing) = middle;
  }
  while (fitting > 0 && isWhitespaceOrNewline(text[fitting - 1].unicode())) --fitting;
  return receiver.first(fitting) + ellipsisString();
}

QString truncatePathString(const QString& receiver, double width, const TextAttributes& attributes) {
  if (receiver.isEmpty()) return receiver;
  const QFontMetricsF metrics(attributes.font);
  double estimate = metrics.horizontalAdvance(receiver);
  if (estimate <= width) return receiver;

  const QString& ellipsis = ellipsisString();
  const double ellipsisWidth = metrics.horizontalAdvance(ellipsis);
  QStringList components = pathComponents(receiver);
  if (components.size() >= 3) {
    // The estimate counts the components only; separators are left out, and
    // taking out an ellipsis already placed does not change it.
    auto collapse = [&](qsizetype i) {
      estimate += ellipsisWidth - metrics.horizontalAdvance(components[i]);
      components[i] = ellipsis;
    };
    qsizetype middle = components.size() / 2;
    collapse(middle);
    while (components.size() > 3 && estimate > width) {
      components.removeAt(middle);
      middle = components.size() / 2;
      collapse(middle);
    }
    if (components.size() == 3 && estimate > width) components.remove(0, 2);
  }
  return truncateString(snr(components.join(QLatin1Char('/')), QStringLiteral("//"), QStringLiteral("/")),
                        width, attributes);
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
