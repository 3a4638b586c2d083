#include "text/utf8_units.h"

#include <gtest/gtest.h>

#include <QString>

TEST(Utf8Units, Utf8SizeCountsEveryLengthAndLoneSurrogates) {
  const QString ascii16 = QStringLiteral("abcdefghijklmnop");
  const struct {
    QString text;
    qsizetype bytes;
    bool lone;
  } cases[] = {
      {QString(), 0, false},
      {ascii16, 16, false},
      {ascii16 + ascii16 + QString::fromUtf8("é"), 34, false},
      {ascii16 + QString::fromUtf8("é€") + ascii16, 37, false},
      {QString::fromUtf8("ééééééééééééééééé"), 34, false},
      {QString::fromUtf8("€€€€€€€€€€€€€€€€"), 48, false},
      {ascii16.left(15) + QString::fromUtf8("😀") + ascii16, 35, false},  // a pair across a 16-unit step
      {ascii16 + QChar(0xD800) + ascii16, 35, true},
      {ascii16.left(15) + QChar(0xDC00), 18, true},
      {ascii16 + ascii16 + QChar(0xD83D), 35, true},  // a high surrogate at the very end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    bool lone = false;
    EXPECT_EQ(utf8units::utf8Size(c.text, &lone), c.bytes);
    EXPECT_EQ(lone, c.lone);
  }
}

TEST(Utf8Units, Utf8SizeMatchesQtOnLongMixedText) {
  // Long enough for the per-lane sums to be carried over many steps.
  QString text;
  for (int i = 0; i < 20'000; ++i) text += QString::fromUtf8(i % 7 ? "abcdé€xyz " : "😀ü");
  bool lone = true;
  EXPECT_EQ(utf8units::utf8Size(text, &lone), text.toUtf8().size());
  EXPECT_FALSE(lone);
}
