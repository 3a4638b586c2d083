#include "text/string_core.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

TEST(StringCore, IsBlankStringOnlyForEmpty) {
  EXPECT_TRUE(isBlankString(QString()));
  EXPECT_TRUE(isBlankString(QStringLiteral("")));
  EXPECT_FALSE(isBlankString(QStringLiteral(" ")));
  EXPECT_FALSE(isBlankString(QStringLiteral("\t")));
}

TEST(StringCore, ParagraphsSplitsAtEveryTerminator) {
  const struct {
    QString text;
    QStringList lines;
  } cases[] = {
      {u""_qs, {}},
      {u"abc"_qs, {u"abc"_qs}},
      {u"a\nb"_qs, {u"a"_qs, u"b"_qs}},
      {u"a\nb\n"_qs, {u"a"_qs, u"b"_qs, u""_qs}},
      {u"\n"_qs, {u""_qs, u""_qs}},
      {u"a\r\nb"_qs, {u"a"_qs, u"b"_qs}},
      {u"a\rb"_qs, {u"a"_qs, u"b"_qs}},
      {u"a\r\n\r\nb"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
      {u"a\n\rb"_qs, {u"a"_qs, u""_qs, u"b"_qs}},
      {u"\r\r\n"_qs, {u""_qs, u""_qs, u""_qs}},
      {u"a\r\n"_qs, {u"a"_qs, u""_qs}},
      {u"a\u2028b\u2029c\u0085d"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}},
      {u"a\vb\fc"_qs, {u"a\vb\fc"_qs}},  // VT and FF do not end lines
      {u"\U0001F600\n\U0001F600"_qs, {u"\U0001F600"_qs, u"\U0001F600"_qs}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(paragraphs(c.text), c.lines);
  }
}

TEST(StringCore, ParagraphsOfOneLineSharesTheReceiver) {
  const QString text = QString::fromUtf8("no terminator");  // heap data: literals are never "shared"
  EXPECT_TRUE(paragraphs(text).front().isSharedWith(text));
}

TEST(StringCore, CleanKeepsRunsOfTheSet) {
  const QString digits = u"-1234567890"_qs;
  const struct {
    QString text, keep, expected;
  } cases[] = {
      {u"-12"_qs, digits, u"-12"_qs},
      {u"555-1234"_qs, digits, u"555-1234"_qs},
      {u"1.25"_qs, digits, u"125"_qs},
      {u"12.5"_qs, digits, u"125"_qs},
      {u"5 "_qs, digits, u"5"_qs},
      {u"   "_qs, digits, u""_qs},
      {u" -12 34"_qs, digits, u"-1234"_qs},
      {u""_qs, digits, u""_qs},
      {u"x  a b"_qs, u" ab"_qs, u"a b"_qs},                                // white space before a run goes
      {u"  ab "_qs, u" ab"_qs, u"ab "_qs},                                 // inside and after a run it stays
      {u"a \u00A0b"_qs, u"ab\u00A0"_qs, u"ab"_qs},                         // NBSP is skipped like a space
      {u"a\U0001F600b\U0001F601"_qs, u"\U0001F600"_qs, u"\U0001F600"_qs},  // pairs are one character
      {u"(555) 123-4567"_qs, digits, u"555123-4567"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(clean(c.text, c.keep), c.expected);
  }
}

TEST(StringCore, ContainsStringHonoursCanonicalEquivalenceAndCase) {
  const struct {
    QString text, needle;
    bool consideringCase, found;
  } cases[] = {
      {u"xabcx"_qs, u"ABC"_qs, false, true},
      {u"xabcx"_qs, u"ABC"_qs, true, false},
      {u"a\tb"_qs, u"\t"_qs, false, true},
      {u"a\tb"_qs, u"\t"_qs, true, true},
      {u"abc"_qs, u""_qs, false, false},
      {u""_qs, u""_qs, true, false},
      {u"caf\u00E9"_qs, u"cafe\u0301"_qs, true, true},  // precomposed text, decomposed needle
      {u"cafe\u0301"_qs, u"caf\u00E9"_qs, true, true},  // and the other way round
      {u"CAF\u00C9"_qs, u"cafe\u0301"_qs, false, true},
      {u"CAF\u00C9"_qs, u"cafe\u0301"_qs, true, false},
      {u"a\u0323\u0302"_qs, u"a\u0302\u0323"_qs, true, true},  // marks in either order
      {u"cafe\u0301"_qs, u"cafe"_qs, true, false},             // half a character is no match
      {u"caf\u00E9"_qs, u"e"_qs, true, false},
      {u"cafe\u0301s"_qs, u"s"_qs, true, true},
      {u"Stra\u00DFe"_qs, u"STRASSE"_qs, false, true},  // full case folding
      {u"\u212Aelvin"_qs, u"Kelvin"_qs, true, true},    // the Kelvin sign is a K
      {u"x\U0001F600y"_qs, u"\U0001F600"_qs, true, true},
      {u"x\U0001F600y"_qs, QString(QChar(0xD83D)), true, false},  // no half of a pair
      {u"\u00E9t\u00E9"_qs, u"T"_qs, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " / " + ::testing::PrintToString(c.needle));
    EXPECT_EQ(containsString(c.text, c.needle, c.consideringCase), c.found);
  }
}

TEST(StringCore, DeprefixTriesTheSeparatorsInOrder) {
  const struct {
    QString text, prefix, expected;
  } cases[] = {
      {u"The Who"_qs, u"The"_qs, u" Who"_qs},
      {u"Then"_qs, u"The"_qs, u"n"_qs},
      {u"the Who"_qs, u"The"_qs, u"the Who"_qs},
      {u""_qs, u"The"_qs, u""_qs},
      {u"quote text"_qs, u"quote"_qs, u" text"_qs},
      {u" x"_qs, u""_qs, u"x"_qs},
      {u"-x"_qs, u""_qs, u"x"_qs},
      {u"x"_qs, u""_qs, u"x"_qs},
      {u" -x"_qs, u""_qs, u"-x"_qs},
      {u"The"_qs, u"The"_qs, u""_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(deprefix(c.text, c.prefix), c.expected);
  }
}

TEST(StringCore, SnrReplacesLeftToRightWithoutRescanning) {
  const struct {
    QString text, target, replacement, expected;
  } cases[] = {
      {u""_qs, u"a"_qs, u"b"_qs, u""_qs},
      {u"aaa"_qs, u"aa"_qs, u"b"_qs, u"ba"_qs},
      {u"aba"_qs, u"a"_qs, u"aa"_qs, u"aabaa"_qs},
      {u"a"_qs, u"A"_qs, u"x"_qs, u"a"_qs},
      {u"abc"_qs, u""_qs, u"x"_qs, u"abc"_qs},
      {u"\"\"\""_qs, u"\"\""_qs, u"<<quote>>"_qs, u"<<quote>>\""_qs},
      {u"abab"_qs, u"ab"_qs, u""_qs, u""_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(snr(c.text, c.target, c.replacement), c.expected);
  }
}

TEST(StringCore, OperationsWithNothingToDoAnswerTheReceiverItself) {
  const QString text = QString::fromUtf8("plain text");  // heap data: literals are never "shared"
  EXPECT_TRUE(snr(text, u"zz"_qs, u"y"_qs).isSharedWith(text));
  EXPECT_TRUE(deprefix(text, u"zz"_qs).isSharedWith(text));
  EXPECT_TRUE(clean(text, u"plain tex"_qs).isSharedWith(text));
  EXPECT_TRUE(addQuoteEscapes(text).isSharedWith(text));
  EXPECT_TRUE(removeQuoteEscapes(text).isSharedWith(text));
}

TEST(StringCore, QuoteEscapes) {
  const struct {
    QString plain, escaped;
  } cases[] = {
      {u""_qs, u""_qs},
      {u"a\"b"_qs, u"a\\\"b"_qs},
      {u"\\"_qs, u"\\\\"_qs},
      {u"\\\""_qs, u"\\\\\\\""_qs},
      {u"line\n\ttab\r"_qs, u"line\n\ttab\r"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.plain));
    EXPECT_EQ(addQuoteEscapes(c.plain), c.escaped);
    EXPECT_EQ(removeQuoteEscapes(c.escaped), c.plain);
  }
}

TEST(StringCore, RemoveQuoteEscapesUndoesAddQuoteEscapesForAnyText) {
  QRandomGenerator random(7);
  const char16_t alphabet[] = {u'\\', u'"', u'a', u'\n'};
  for (int round = 0; round < 5000; ++round) {
    QString text;
    for (int n = random.bounded(9); n > 0; --n) text.append(QChar(alphabet[random.bounded(4)]));
    SCOPED_TRACE(::testing::PrintToString(text));
    ASSERT_EQ(removeQuoteEscapes(addQuoteEscapes(text)), text);
  }
}

}  // namespace
