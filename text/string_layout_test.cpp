#include "text/string_layout.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cmath>

#include "testsupport/plain_truncation.h"
#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

// A fixed font, so that cut positions do not depend on the machine's default.
TextAttributes dejaVu() {
  static const int id =
      QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
  EXPECT_GE(id, 0) << "fonts-dejavu-core is not installed";
  TextAttributes attributes;
  attributes.font = QFont(QStringLiteral("DejaVu Sans"));
  attributes.font.setPixelSize(13);
  return attributes;
}

double widthOf(const QString& text) { return QFontMetricsF(dejaVu().font).horizontalAdvance(text); }

// Shortening one code point at a time, measuring the whole rest every time.
QString truncateByOneCharacter(const QString& text, double width) {
  return truncateOneAtATime(text, width, dejaVu().font);
}

bool endsInHalfPair(const QString& s) {
  const qsizetype end = s.endsWith(ellipsisString()) ? s.size() - 1 : s.size();
  return end > 0 && s[end - 1].isHighSurrogate();
}

}  // namespace

TEST(StringLayout, EllipsisIsOneSharedCharacter) {
  EXPECT_EQ(ellipsisString(), QString(QChar(0x2026)));
  EXPECT_EQ(&ellipsisString(), &ellipsisString());
}

TEST(StringLayout, WrapToLengthExamples) {
  const struct {
    QString text;
    quint64 limit;
    QString expected;
  } cases[] = {
      {"aaaa bbbb cccc", 10, "aaaa bbbb\ncccc"},
      {"abcdefghijkl", 5, "abcd\nefgh\nijkl"},
      {"well-known fact", 8, "well\n-known\nfact"},
      {"short\nlines but one that is longer", 10, "short\nlines but\none that\nis longer"},
      {"ab\n\ncdefgh", 4, "ab\n\ncde\nfgh"},
      {"a\r\nbcdefg", 4, "a\r\nbcd\nefg"},
      {"-abcdef", 4, "-ab\ncdef"},  // position 0 is never a cut
      {"ab  cd", 4, "ab \ncd"},     // only the space at the cut is dropped
      {"abcdef", 0, "a\nb\nc\nd\nef"},
      {"abcdef", 1, "a\nb\nc\nd\nef"},
      {QString::fromUtf8("a😀b😀c"), 3, QString::fromUtf8("a\n😀\nb\n😀c")},
      {QString::fromUtf8("😀😀😀"), 2, QString::fromUtf8("😀\n😀\n😀")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " / " + std::to_string(c.limit));
    EXPECT_EQ(wrapToLength(c.text, c.limit), c.expected);
  }
}

TEST(StringLayout, WrapToLengthReturnsShortTextItself) {
  const QString text = QString::fromUtf8("one\ntwo\nthree");  // heap data: literals are never "shared"
  EXPECT_TRUE(wrapToLength(text, text.size()).isSharedWith(text));
  EXPECT_TRUE(wrapToLength(QString(), 0).isEmpty());
}

// Checks every limit against the rule: each cut piece is followed in the text
// by the break at the last space or hyphen in positions 1 to limit - 1 of the
// rest of its line (a space dropped, a hyphen kept), or is a hard cut of
// limit - 1 units when there is none; the last piece of a line fits the limit.
TEST(StringLayout, WrapToLengthAtEveryLimit) {
  const QString texts[] = {
      "the quick brown fox jumps over the lazy dog",
      "well-known state-of-the-art re-entry of a-b-c",
      "abcdefghijklmnopqrstuvwxyz0123456789",
      "a  b   c    d     e",
      " leading and trailing ",
  };
  for (const QString& text : texts) {
    for (qsizetype limit = 2; limit <= text.size(); ++limit) {
      SCOPED_TRACE(text.toStdString() + " / " + std::to_string(limit));
      const QStringList pieces = wrapToLength(text, limit).split(QLatin1Char('\n'));
      if (limit == text.size()) {
        EXPECT_EQ(pieces, QStringList{text});
        continue;
      }
      qsizetype pos = 0;
      for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QStringView rest = QStringView(text).sliced(pos);
        qsizetype cut = limit - 1;
        while (cut > 0 && rest[cut] != QLatin1Char(' ') && rest[cut] != QLatin1Char('-')) --cut;
        if (cut == 0) cut = limit - 1;
        ASSERT_EQ(pieces[i], rest.first(cut).toString());
        pos += cut + (rest[cut] == QLatin1Char(' ') ? 1 : 0);
      }
      EXPECT_EQ(pieces.last(), text.sliced(pos));
      EXPECT_LE(pieces.last().size(), limit);
    }
  }
}

TEST(StringLayout, TruncateStringToMaxCharacters) {
  const struct {
    QString text;
    quint64 maximum;
    QString expected;
  } cases[] = {
      {"Hello world", 5, "Hello…"},
      {"Hello world", 6, "Hello…"},
      {"Hello world", 11, "Hello world"},
      {"Hello world", 50, "Hello world"},
      {"Hello world", 0, "…"},
      {"    x", 3, "…"},
      {"", 0, ""},
      {QString::fromUtf8("ab😀cd"), 3, "ab…"},
      {QString::fromUtf8("ab😀cd"), 4, QString::fromUtf8("ab😀…")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " / " + std::to_string(c.maximum));
    EXPECT_EQ(truncateStringToMaxCharacters(c.text, c.maximum), c.expected);
  }
  const QString text = QString::fromUtf8("Hello world");
  EXPECT_TRUE(truncateStringToMaxCharacters(text, 11).isSharedWith(text));
}

TEST(StringLayout, TruncateStringEdges) {
  const TextAttributes attributes = dejaVu();
  const QString fits = QString::fromUtf8("fits");
  EXPECT_TRUE(truncateString(fits, widthOf(fits), attributes).isSharedWith(fits));
  const QString two = QString::fromUtf8("WW");
  EXPECT_TRUE(truncateString(two, 1, attributes).isSharedWith(two));
  EXPECT_EQ(truncateString(QStringLiteral("WWW"), 1, attributes), ellipsisString());
  EXPECT_EQ(truncateString(QStringLiteral("Hello world"), -5, attributes), ellipsisString());
  EXPECT_EQ(truncateString(QStringLiteral("Hello world"), std::nan(""), attributes), ellipsisString());
  EXPECT_EQ(truncatePathString(QStringLiteral("/a/b/c/d"), std::nan(""), attributes), ellipsisString());
  // The cut lands after the spaces, which go before the ellipsis is added.
  const QString spaced = QStringLiteral("aaaa      bbbbbbbbbbbb");
  EXPECT_EQ(
      truncateString(spaced, widthOf(QStringLiteral("aaaa     ")) + widthOf(ellipsisString()), attributes),
      QStringLiteral("aaaa…"));
}

// The cut found by bisection is the one shortening character by character
// finds, at every width, and the result fits unless nothing does.
TEST(StringLayout, TruncateStringMatchesOneByOneShortening) {
  const TextAttributes attributes = dejaVu();
  const QString texts[] = {
      "The quick brown fox jumps over the lazy dog",
      "iiiiiiiiWWWWWWWW  \t  iiiiWWWW",
      QString::fromUtf8("emoji 😀😀😀 and e\u0301 combining, 漢字かな"),
      QString::fromUtf8("😀😀😀😀😀😀"),
  };
  for (const QString& text : texts) {
    const double full = widthOf(text);
    for (double width = -1; width <= full + 1; width += 1.5) {
      SCOPED_TRACE(text.toStdString() + " / " + std::to_string(width));
      const QString result = truncateString(text, width, attributes);
      ASSERT_EQ(result, truncateByOneCharacter(text, width));
      EXPECT_FALSE(endsInHalfPair(result));
      if (result != ellipsisString()) {
        EXPECT_LE(widthOf(result), width);
      }
    }
  }
}

TEST(StringLayout, TruncatePathPassesThroughCollapsedForms) {
  const TextAttributes attributes = dejaVu();
  const QString path = QStringLiteral("/alpha/beta/gamma/delta");
  const QStringList forms = {path, "/alpha/…/gamma/delta", "/alpha/…/delta", "/…/delta", "delta"};
  qsizetype lastForm = 0;
  QStringList seen;
  for (double width = widthOf(path) + 1; width >= 0; width -= 0.5) {
    SCOPED_TRACE(width);
    const QString result = truncatePathString(path, width, attributes);
    qsizetype form = forms.indexOf(result);
    if (form < 0) {
      // An end cut of a form the estimate let through.
      ASSERT_TRUE(result.endsWith(ellipsisString())) << result.toStdString();
      const QString kept = result.chopped(1);
      for (qsizetype i = lastForm; i < forms.size() && form < 0; ++i)
        if (forms[i].startsWith(kept)) form = i;
      ASSERT_GE(form, 0) << result.toStdString();
    } else if (!seen.contains(result)) {
      seen.append(result);
    }
    EXPECT_GE(form, lastForm) << "forms come in order as the width shrinks";
    lastForm = form;
    if (result.size() > 2 && result != ellipsisString()) {
      EXPECT_LE(widthOf(result), width);
    }
  }
  EXPECT_EQ(seen, forms);
}

TEST(StringLayout, TruncatePathShortAndRelativePaths) {
  const TextAttributes attributes = dejaVu();
  const struct {
    QString path;
    double width;  // in units of the whole path's width
    QString expected;
  } cases[] = {
      {"alpha/beta/gamma/delta", 0.9, "alpha/beta/…/delta"},
      {"//alpha", 0.99, "/alpha"},  // two components: straight to the end cut, "//" repaired
      {"alpha/beta", 0.99, truncateString("alpha/beta", 0.99 * widthOf("alpha/beta"), attributes)},
      {"/alphabet", 0.5, truncateString("/alphabet", 0.5 * widthOf("/alphabet"), attributes)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(truncatePathString(c.path, c.width * widthOf(c.path), attributes), c.expected);
  }
  const QString fits = QString::fromUtf8("/a/b/c/d");
  EXPECT_TRUE(truncatePathString(fits, widthOf(fits), attributes).isSharedWith(fits));
  EXPECT_TRUE(truncatePathString(QString(), 0, attributes).isEmpty());
}

// Paths the collapsing leaves alone are cut exactly as one character at a
// time would cut them, from the width measured up front.
TEST(StringLayout, TruncatePathEndCutMatchesOneByOneShortening) {
  const TextAttributes attributes = dejaVu();
  const QString paths[] = {"/Applications and Utilities", "Documents/Quarterly report, final draft.txt",
                           QString::fromUtf8("Fotos/Ferien 😀 am Meer, Sommer.jpg")};
  for (const QString& path : paths) {
    for (double width = -1; width <= widthOf(path) + 1; width += 2) {
      SCOPED_TRACE(path.toStdString() + " / " + std::to_string(width));
      EXPECT_EQ(truncatePathString(path, width, attributes), truncateByOneCharacter(path, width));
    }
  }
}

TEST(StringLayout, HoverAttributedStringStyle) {
  const AttributedString hover = hoverAttributedStringOfSize(QStringLiteral("Hover"), 24);
  EXPECT_EQ(hover.text, QStringLiteral("Hover"));
  EXPECT_TRUE(hover.attributes.font.bold());
  EXPECT_EQ(hover.attributes.font.pointSizeF(), 24);
  EXPECT_EQ(hover.attributes.foregroundColor, QColor(Qt::white));
  ASSERT_TRUE(hover.attributes.paragraphStyle);
  EXPECT_EQ(hover.attributes.paragraphStyle->alignment, Qt::AlignHCenter);
  EXPECT_EQ(hover.attributes.paragraphStyle->wrapMode, QTextOption::WordWrap);
  ASSERT_TRUE(hover.attributes.shadow);
  EXPECT_EQ(*hover.attributes.shadow, (TextShadow{QColor(Qt::black), QPointF(0, 1), 3}));
}

// Drawn on grey, the label leaves white text pixels and, from its shadow,
// pixels darker than the background.
TEST(StringLayout, HoverAttributedStringDraws) {
  QImage image(200, 60, QImage::Format_ARGB32);
  const QRgb grey = qRgb(128, 128, 128);
  image.fill(grey);
  {
    QPainter painter(&image);
    drawAttributedString(&painter, QRectF(0, 0, 200, 60),
                         hoverAttributedStringOfSize(QStringLiteral("Hover"), 24));
  }
  int white = 0, dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int g = qGray(image.pixel(x, y));
      white += g > 240;
      dark += g < 110;
    }
  }
  EXPECT_GT(white, 20);
  EXPECT_GT(dark, 20);
}

// Paths are collapsed and cut exactly as measuring every candidate whole
// would do it, in several fonts, over random names that mix kerned pairs,
// ligatures ("fi", "ffl"), spaces, accents and characters that send the cut
// back to measuring every candidate (marks, emoji, tabs, other scripts).
TEST(StringLayout, TruncatePathAgreesWithMeasuringEveryCandidate) {
  const TextAttributes attributes = dejaVu();
  const QString dejaVuFolder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
  for (const char* file : {"DejaVuSerif.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf"})
    QFontDatabase::addApplicationFont(dejaVuFolder + QLatin1String(file));
  QList<QFont> fonts{attributes.font, QFont(QStringLiteral("DejaVu Serif")),
                     QFont(QStringLiteral("DejaVu Sans")), QFont(QStringLiteral("DejaVu Sans Mono"))};
  fonts[1].setPixelSize(17);
  fonts[2].setPointSizeF(9.5);
  fonts[2].setBold(true);
  fonts[3].setPixelSize(12);

  QStringList pieces =
      QString::fromUtf8("a e o r n A V W T Y L P f fi fl ff ffi ffl To AV 1 7 . , _ - ' \" ( é ß Ł œ – €")
          .split(QLatin1Char(' '));
  pieces << QStringLiteral(" ") << QStringLiteral("  ");
  const QStringList rare = QString::fromUtf8("e\u0301 😀 \t Ω 漢 \u00AD …").split(QLatin1Char(' '));
  QRandomGenerator random(13);
  auto name = [&] {
    QString text;
    const int length = 1 + random.bounded(9);
    for (int i = 0; i < length; ++i)
      text += random.bounded(100) == 0 ? rare[random.bounded(rare.size())]
                                       : pieces[random.bounded(pieces.size())];
    return text;
  };
  for (const QFont& font : fonts) {
    const TextAttributes inFont{font, std::nullopt, std::nullopt, std::nullopt};
    const QFontMetricsF metrics(font);
    for (int n = 0; n < 300; ++n) {
      QString path = random.bounded(4) == 0 ? QString() : QStringLiteral("/");
      const int depth = 1 + random.bounded(7);
      for (int d = 0; d < depth; ++d) path += (d ? "/" : "") + name();
      const double full = metrics.horizontalAdvance(path);
      // Any width, a narrow one, the path's own and just below it.
      for (const double width :
           {random.bounded(full + 10), random.bounded(full / 2), full, full - 0.015625}) {
        SCOPED_TRACE(font.family().toStdString() + ": " + path.toStdString() + " / " + std::to_string(width));
        ASSERT_EQ(truncatePathString(path, width, inFont), truncatePathEveryCandidate(path, width, font));
      }
    }
  }
}

// Every width, in small steps, for paths whose cuts fall on and between
// kerned pairs and ligatures.
TEST(StringLayout, TruncatePathAtEveryWidthAgreesWithMeasuringEveryCandidate) {
  const TextAttributes attributes = dejaVu();
  const QString paths[] = {"/Office/Affiliate/Waffle fifty/ffl", "AVAVA/To Yo/LT fi/ffi ffl",
                           QString::fromUtf8("/Ärger/Œuvre – fin/Ž…/x")};
  for (const QString& path : paths) {
    for (double width = 0; width <= widthOf(path) + 1; width += 0.25) {
      SCOPED_TRACE(path.toStdString() + " / " + std::to_string(width));
      ASSERT_EQ(truncatePathString(path, width, attributes),
                truncatePathEveryCandidate(path, width, attributes.font));
    }
  }
}
