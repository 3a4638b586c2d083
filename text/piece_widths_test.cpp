#include "text/piece_widths.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRandomGenerator>

#include "testsupport/qt_printers.h"

namespace {

// DejaVu fonts in a few sizes and styles: kerned, with ligatures, and one of
// fixed width.
QList<QFont> dejaVuFonts() {
  const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
  for (const char* file : {"DejaVuSans.ttf", "DejaVuSerif.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf"})
    EXPECT_GE(QFontDatabase::addApplicationFont(folder + QLatin1String(file)), 0) << file;
  QList<QFont> fonts{QFont(QStringLiteral("DejaVu Sans")), QFont(QStringLiteral("DejaVu Serif")),
                     QFont(QStringLiteral("DejaVu Sans")), QFont(QStringLiteral("DejaVu Sans Mono"))};
  fonts[0].setPixelSize(13);
  fonts[1].setPixelSize(17);
  fonts[2].setPointSizeF(9.5);
  fonts[2].setBold(true);
  fonts[3].setPixelSize(12);
  return fonts;
}

}  // namespace

// Every prefix of random admitted texts is as wide as measuring it whole
// says, ligatures and kerned pairs included.
TEST(PieceWidths, PrefixWidthsAreTheMeasuredWidths) {
  QStringList pieces =
      QString::fromUtf8(
          "a e o r n A V W T Y L P f fi fl ff ffi ffl To AV 1 7 . , _ - / … ' \" ( é ß Ł œ – € ẞ")
          .split(QLatin1Char(' '));
  pieces << QStringLiteral(" ");
  QRandomGenerator random(29);
  for (const QFont& font : dejaVuFonts()) {
    PieceWidths widths(font);
    const QFontMetricsF metrics(font);
    std::vector<double> prefixes;
    for (int n = 0; n < 400; ++n) {
      QString text;
      for (int length = 1 + random.bounded(20); text.size() < length;)
        text += pieces[random.bounded(pieces.size())];
      ASSERT_TRUE(widths.prefixWidths(text, &prefixes));
      ASSERT_EQ(prefixes.size(), std::size_t(text.size() + 1));
      for (qsizetype p = 0; p <= text.size(); ++p) {
        SCOPED_TRACE(font.family().toStdString() + ": " + text.first(p).toStdString());
        ASSERT_EQ(prefixes[p], metrics.horizontalAdvance(text.first(p)));
      }
    }
  }
}

TEST(PieceWidths, PairsDrawnTogetherAndKerned) {
  PieceWidths widths(dejaVuFonts()[0]);
  EXPECT_EQ(widths.pairJoin(u'f', u'i'), PieceWidths::kDrawnTogether);  // the "fi" ligature
  EXPECT_LT(widths.pairJoin(u'A', u'V'), 0);                            // kerned closer
  EXPECT_EQ(widths.pairJoin(u'o', u'o'), 0);
}

TEST(PieceWidths, TextBeyondTheAdmittedCharactersIsRefused) {
  const QString texts[] = {QString::fromUtf8("e\u0301"),  QString::fromUtf8("a😀"),
                           QStringLiteral("a\tb"),        QString::fromUtf8("Ωmega"),
                           QString::fromUtf8("漢"),       QString::fromUtf8("soft\u00ADhyphen"),
                           QString::fromUtf8("a\u200Db"), QStringLiteral("a\nb")};
  PieceWidths widths(dejaVuFonts()[0]);
  std::vector<double> prefixes;
  for (const QString& text : texts) {
    SCOPED_TRACE(text.toStdString());
    EXPECT_FALSE(widths.prefixWidths(text, &prefixes));
  }
  EXPECT_TRUE(widths.prefixWidths(QString::fromUtf8("Ærø – 5 €"), &prefixes));
  // "ff" is drawn together: a long run of f is one unit, too long to keep.
  ASSERT_EQ(widths.pairJoin(u'f', u'f'), PieceWidths::kDrawnTogether);
  const QString longest(PieceWidths::kLongestUnit, QLatin1Char('f'));
  ASSERT_TRUE(widths.prefixWidths(longest, &prefixes));
  EXPECT_EQ(prefixes.back(), QFontMetricsF(dejaVuFonts()[0]).horizontalAdvance(longest));
  EXPECT_FALSE(widths.prefixWidths(longest + QLatin1Char('f'), &prefixes));
  EXPECT_TRUE(widths.prefixWidths(QString(), &prefixes));
  EXPECT_EQ(prefixes, std::vector<double>{0});
}

// The kept widths are dropped on a failure; after a few the font is left to
// measuring every text.
TEST(PieceWidths, FailuresWearOutTheFont) {
  QFont font = dejaVuFonts()[0];
  font.setPixelSize(31);  // a size no other test uses: its widths stay worn out
  PieceWidths& widths = pieceWidthsOf(font);
  EXPECT_EQ(&widths, &pieceWidthsOf(font));
  EXPECT_TRUE(widths.usable());
  for (int i = 0; i < 3; ++i) widths.forgetMeasurements();
  EXPECT_FALSE(widths.usable());
  std::vector<double> prefixes;
  ASSERT_TRUE(widths.prefixWidths(QStringLiteral("AV"), &prefixes));
  EXPECT_EQ(prefixes.back(), QFontMetricsF(font).horizontalAdvance(QStringLiteral("AV")));
}
