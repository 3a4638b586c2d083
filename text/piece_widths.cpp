#include "text/piece_widths.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

PieceWidths::PieceWidths(const QFont& font) : font_(font) { asciiWidths_.fill(kUnknown); }

void PieceWidths::forgetMeasurements() {
  const int failures = failures_ + 1;
  *this = PieceWidths(font_);
  failures_ = failures;
}

double PieceWidths::characterWidth(char16_t c) {
  if (c < 0x80) {
    double& width = asciiWidths_[c];
    if (std::isnan(width)) width = measure(QString(QChar(c)));
    return width;
  }
  auto found = otherWidths_.constFind(c);
  if (found != otherWidths_.constEnd()) return *found;
  return *otherWidths_.insert(c, measure(QString(QChar(c))));
}

double PieceWidths::pairJoin(char16_t a, char16_t b) {
  double* join;
  if (a - 0x20u < kAsciiPrintable && b - 0x20u < kAsciiPrintable) {
    if (asciiJoins_.empty()) asciiJoins_.assign(kAsciiPrintable * kAsciiPrintable, kUnknown);
    join = &asciiJoins_[(a - 0x20) * kAsciiPrintable + (b - 0x20)];
  } else {
    const quint32 key = (quint32(a) << 16) | b;
    auto found = otherJoins_.find(key);
    if (found == otherJoins_.end() && otherJoins_.size() >= kMostKept) otherJoins_.clear();
    join = &(found != otherJoins_.end() ? *found : *otherJoins_.insert(key, kUnknown));
  }
  if (std::isnan(*join)) {
    const QString both = QString(QChar(a)) + QChar(b);
    *join = glyphsOf(both) != glyphsOf(QString(QChar(a))) + glyphsOf(QString(QChar(b)))
                ? kDrawnTogether
                : measure(both) - characterWidth(a) - characterWidth(b);
  }
  return *join;
}

bool PieceWidths::prefixWidths(QStringView text, std::vector<double>* widths) {
  const qsizetype n = text.size();
  widths->resize(n + 1);
  double* w = widths->data();
  w[0] = 0;
  if (n == 0) return true;
  const char16_t* t = reinterpret_cast<const char16_t*>(text.utf16());
  if (!isAdmitted(t[0])) return false;
  w[1] = characterWidth(t[0]);
  qsizetype unitStart = 0;
  for (qsizetype i = 1; i < n; ++i) {
    if (!isAdmitted(t[i])) return false;
    const double join = pairJoin(t[i - 1], t[i]);
    if (join == kDrawnTogether) {
      // The prefix ends inside a longer unit, measured as a whole, joined
      // to the unit before it. Ligatures are short; a longer run is left to
      // measuring.
      if (i + 1 - unitStart > kLongestUnit) return false;
      const QStringView unit = text.sliced(unitStart, i + 1 - unitStart);
      double before = w[unitStart];
      if (unitStart > 0) {
        qsizetype previousStart = unitStart - 1;
        while (previousStart > 0 && pairJoin(t[previousStart - 1], t[previousStart]) == kDrawnTogether)
          --previousStart;
        before += unitJoin(text.sliced(previousStart, unitStart - previousStart), unit);
      }
      w[i + 1] = before + unitWidth(unit);
      continue;
    }
    // The character starts a unit of its own.
    w[i + 1] =
        w[i] + characterWidth(t[i]) +
        (i - unitStart == 1 ? join : unitJoin(text.sliced(unitStart, i - unitStart), text.sliced(i, 1)));
    unitStart = i;
  }
  return true;
}

double PieceWidths::measure(const QString& text) const {
  return QFontMetricsF(font_).horizontalAdvance(text);
}

double PieceWidths::unitWidth(QStringView unit) {
  if (unit.size() == 1) return characterWidth(unit[0].unicode());
  const QString key = unit.toString();
  auto found = unitWidths_.constFind(key);
  if (found != unitWidths_.constEnd()) return *found;
  if (unitWidths_.size() >= kMostKept) unitWidths_.clear();
  return *unitWidths_.insert(key, measure(key));
}

double PieceWidths::unitJoin(QStringView left, QStringView right) {
  if (left.size() == 1 && right.size() == 1) return pairJoin(left[0].unicode(), right[0].unicode());
  const QString key = left.toString() + QChar(0) + right.toString();
  auto found = unitJoins_.constFind(key);
  if (found != unitJoins_.constEnd()) return *found;
  const double join = measure(left.toString() + right.toString()) - unitWidth(left) - unitWidth(right);
  if (unitJoins_.size() >= kMostKept) unitJoins_.clear();
  return *unitJoins_.insert(key, join);
}

// The glyphs text layout draws for `text`, each with the face it comes from.
QList<quint64> PieceWidths::glyphsOf(const QString& text) const {
  QTextLayout layout(text, font_);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QList<quint64> glyphs;
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QRawFont raw = run.rawFont();
    const quint64 face = quint64(qHash(raw.familyName()) ^ qHash(raw.styleName())) << 32;
    for (quint32 glyph : run.glyphIndexes()) glyphs.append(face | glyph);
  }
  return glyphs;
}

PieceWidths& pieceWidthsOf(const QFont& font) {
  thread_local std::vector<std::unique_ptr<PieceWidths>> fonts;  // most recent first
  auto found = std::find_if(fonts.begin(), fonts.end(), [&](const auto& p) { return p->font() == font; });
  if (found == fonts.end()) {
    if (fonts.size() == 8) fonts.pop_back();
    fonts.insert(fonts.begin(), std::make_unique<PieceWidths>(font));
  } else if (found != fonts.begin()) {
    std::rotate(fonts.begin(), found, found + 1);
  }
  return *fonts.front();
}
