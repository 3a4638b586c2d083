// Width truncation done the plain way, every candidate measured whole: what
// the library's truncateString and truncatePathString must agree with. For
// tests, benchmarks and fuzz targets; slow on purpose.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QStringList>

#include "text/string_layout.h"

// Shortening one code point at a time, and any white space left at the end,
// measuring the whole rest every time.
inline QString truncateOneAtATime(const QString& text, double width, const QFont& font) {
  const QFontMetricsF metrics(font);
  auto widthOf = [&](const QString& s) { return metrics.horizontalAdvance(s); };
  const QString& ellipsis = Tirr_NSStringAdditions::ellipsisString();
  if (text.isEmpty() || widthOf(text) <= width || text.size() <= 2) return text;
  const double available = width - widthOf(ellipsis);
  QString s = text;
  while (widthOf(s) > available && !s.isEmpty()) {
    s.chop(s.size() >= 2 && s.back().isLowSurrogate() && s[s.size() - 2].isHighSurrogate() ? 2 : 1);
    while (!s.isEmpty() && s.back().isSpace()) s.chop(1);
  }
  return s + ellipsis;
}

// Collapsing the middle of a path with every width measured whole, then
// cutting its end one code point at a time.
inline QString truncatePathEveryCandidate(const QString& path, double width, const QFont& font) {
  const QFontMetricsF metrics(font);
  if (path.isEmpty() || metrics.horizontalAdvance(path) <= width) return path;
  const QString& ellipsis = Tirr_NSStringAdditions::ellipsisString();
  double estimate = metrics.horizontalAdvance(path);
  QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  if (path.startsWith(QLatin1Char('/'))) components.prepend(QStringLiteral("/"));
  if (components.size() >= 3) {
    qsizetype middle = components.size() / 2;
    estimate += metrics.horizontalAdvance(ellipsis) - metrics.horizontalAdvance(components[middle]);
    components[middle] = ellipsis;
    while (components.size() > 3 && estimate > width) {
      components.removeAt(middle);
      middle = components.size() / 2;
      estimate += metrics.horizontalAdvance(ellipsis) - metrics.horizontalAdvance(components[middle]);
      components[middle] = ellipsis;
    }
    if (components.size() == 3 && estimate > width) components.remove(0, 2);
  }
  return truncateOneAtATime(
      components.join(QLatin1Char('/')).replace(QStringLiteral("//"), QStringLiteral("/")), width, font);
}
