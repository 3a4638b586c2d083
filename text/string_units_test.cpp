#include "text/string_units.h"

#include <gtest/gtest.h>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

using MaybeString = std::optional<QString>;

TEST(StringUnits, CharactersAreUtf16Units) {
  const struct {
    QString text;
    QStringList expected;
  } cases[] = {
      {u""_qs, {}},
      {u"a"_qs, {u"a"_qs}},
      {u"e\u0301"_qs, {u"e"_qs, u"\u0301"_qs}},  // a mark is a character of its own
      {u"\U0001F600"_qs, {QString(QChar(0xD83D)), QString(QChar(0xDE00))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(characters(c.text), c.expected);
    EXPECT_EQ(characterCount(c.text), quint64(c.expected.size()));
  }
}

TEST(StringUnits, IndexedAccessWithTheLastIndex) {
  const struct {
    QString text;
    quint64 index;
    MaybeString character, word, paragraph;
  } cases[] = {
      {u"abc"_qs, 0, u"a"_qs, u"abc"_qs, u"abc"_qs},
      {u"abc"_qs, 2, u"c"_qs, {}, {}},
      {u"abc"_qs, 3, {}, {}, {}},  // one past the end
      {u"abc"_qs, kLastIndex, u"c"_qs, u"abc"_qs, u"abc"_qs},
      {u"abc"_qs, kLastIndex - 1, {}, {}, {}},
      {u""_qs, 0, {}, {}, {}},
      {u""_qs, kLastIndex, {}, {}, {}},
      {u"one two\nthree"_qs, 1, u"n"_qs, u"two"_qs, u"three"_qs},
      {u"one two\nthree"_qs, kLastIndex, u"e"_qs, u"three"_qs, u"three"_qs},
      {u"a\n"_qs, kLastIndex, u"\n"_qs, u"a"_qs, u""_qs},  // the final empty line counts
      {u" , "_qs, kLastIndex, u" "_qs, {}, u" , "_qs},
      {u"x\U0001F600"_qs, kLastIndex, QString(QChar(0xDE00)), u"x"_qs, u"x\U0001F600"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " at " + std::to_string(c.index));
    EXPECT_EQ(charAtIndex(c.text, c.index), c.character);
    EXPECT_EQ(wordAtIndex(c.text, c.index), c.word);
    EXPECT_EQ(paragraphAtIndex(c.text, c.index), c.paragraph);
  }
}

TEST(StringUnits, FirstCharacter) {
  const QString one = QString::fromUtf8("x");  // heap data: literals are never "shared"
  EXPECT_TRUE(firstCharacter(one).isSharedWith(one));
  EXPECT_EQ(firstCharacter(u""_qs), u""_qs);
  EXPECT_EQ(firstCharacter(u"xyz"_qs), u"x"_qs);
  EXPECT_EQ(firstCharacter(u"\U0001F600"_qs), QString(QChar(0xD83D)));  // a unit, not a code point
}

TEST(StringUnits, WordsAreRunsOfLettersMarksDigitsAndHyphens) {
  const struct {
    QString text;
    QStringList expected;
  } cases[] = {
      {u"well-known don't stop_here, 42x"_qs,
       {u"well-known"_qs, u"don"_qs, u"t"_qs, u"stop"_qs, u"here"_qs, u"42x"_qs}},
      {u"  --  "_qs, {u"--"_qs}},
      {u" , ; "_qs, {}},
      {u""_qs, {}},
      {u"caf\u00E9 cafe\u0301"_qs, {u"caf\u00E9"_qs, u"cafe\u0301"_qs}},  // marks belong to the word
      {u"x\u00A0y\u2028z\tw"_qs, {u"x"_qs, u"y"_qs, u"z"_qs, u"w"_qs}},
      {u"\u00BD\u00B2 \u00D7 \u0661\u0662"_qs, {u"\u00BD\u00B2"_qs, u"\u0661\u0662"_qs}},  // No, Nd; not Sm
      {u"a\U0001D400b \U0001F600 \U00010428x"_qs, {u"a\U0001D400b"_qs, u"\U00010428x"_qs}},
      {u"a\u2014b a\u2010b"_qs, {u"a"_qs, u"b"_qs, u"a"_qs, u"b"_qs}},  // only the hyphen-minus joins
      {u"a"_qs + QChar(0xD800) + u"b"_qs, {u"a"_qs, u"b"_qs}},          // a lone surrogate separates
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(words(c.text), c.expected);
    EXPECT_EQ(wordCount(c.text), quint64(c.expected.size()));
  }
}

TEST(StringUnits, TokensBetweenSeparators) {
  const struct {
    QString text, separators;
    QStringList expected;
  } cases[] = {
      {u",,a,,b,"_qs, u","_qs, {u"a"_qs, u"b"_qs}},
      {u",,,"_qs, u","_qs, {}},
      {u""_qs, u","_qs, {}},
      {u"a b"_qs, u""_qs, {u"a b"_qs}},
      {u"1, 2;3"_qs, u", ;"_qs, {u"1"_qs, u"2"_qs, u"3"_qs}},
      {u"a\U0001F600b\U0001F601c"_qs, u"\U0001F600"_qs, {u"a"_qs, u"b\U0001F601c"_qs}},  // whole code points
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(tokensSeparatedByCharactersFromSet(c.text, CharacterSet(c.separators)), c.expected);
  }
}

TEST(StringUnits, LongTextsSplitAsTheirPartsDo) {
  // A long text shares one string among equal tokens; the tokens must be those
  // of the short pieces it is made of, which are split one string per token.
  // Over a thousand different words, so some are never shared.
  const QString pieces[] = {u"well-known don't"_qs,        u"caf\u00E9 cafe\u0301"_qs,
                            u"a\U0001D400b \U0001F600"_qs, u"x\u00A0y\u2028z"_qs,
                            u"\u00BD\u00B2 \u00D7 42"_qs,  u"a"_qs + QChar(0xD800) + u"b"_qs};
  QString text;
  QStringList expected;
  for (int i = 0; text.size() < 40000; ++i) {
    const QString piece = pieces[i % std::size(pieces)] + u" w"_qs + QString::number(i % 1500) + u" "_qs;
    text += piece;
    expected += words(piece);
  }
  EXPECT_EQ(words(text), expected);
  EXPECT_EQ(wordCount(text), quint64(expected.size()));
  const QStringList tokens = tokensSeparatedByCharactersFromSet(text, CharacterSet(u" "));
  EXPECT_EQ(tokens.join(u' '), text.trimmed());
  // A long text of one word is answered itself.
  const QString one(5000, u'x');
  ASSERT_EQ(words(one).size(), 1);
  EXPECT_TRUE(words(one).front().isSharedWith(one));
}

TEST(StringUnits, ParagraphCountFollowsTheLineRules) {
  EXPECT_EQ(paragraphCount(u""_qs), 0u);
  EXPECT_EQ(paragraphCount(u"a\r\nb\n"_qs), 3u);
  EXPECT_EQ(paragraphCount(u"\n"_qs), 2u);
}

TEST(StringUnits, ReverseKeepsSurrogatePairsTogether) {
  const struct {
    QString text, expected;
  } cases[] = {
      {u""_qs, u""_qs},
      {u"a"_qs, u"a"_qs},
      {u"abc"_qs, u"cba"_qs},
      {u"a\U0001F600b"_qs, u"b\U0001F600a"_qs},
      {u"\U0001F600\U00010428"_qs, u"\U00010428\U0001F600"_qs},
      {u"e\u0301x"_qs, u"x\u0301e"_qs},  // marks move unit by unit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(reverse(c.text), c.expected);
    EXPECT_EQ(reverse(reverse(c.text)), c.text);
  }
  // Lone halves move one by one (and here happen to meet as a pair).
  EXPECT_EQ(reverse(QString(QChar(0xDE00)) + QChar(0xD83D)), u"\U0001F600"_qs);
}

}  // namespace
