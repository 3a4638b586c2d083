#include "text/string_affixes.h"

#include <gtest/gtest.h>

#include "testsupport/qt_printers.h"
#include "text/string_units.h"

using namespace Tirr_NSStringAdditions;

namespace {

const QString kDottedCapitalI = u"\u0130"_qs;  // lowers to "i" + U+0307, two units

TEST(StringAffixes, LowAsciiOnly) {
  const struct {
    QString text;
    bool escape;
    QString expected;
  } cases[] = {
      {u"a\tb\r\nc \u00E9"_qs, true, u"ab\\r\\nc "_qs},
      {u"a\tb\r\nc \u00E9"_qs, false, u"ab\r\nc "_qs},
      {u"\x1F\x7F~ \U0001F600"_qs, true, u"~ "_qs},
      {u""_qs, true, u""_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(lowASCIIOnly(c.text, c.escape), c.expected);
  }
}

TEST(StringAffixes, CleanWithReplaceAndTrims) {
  const QStringList slashColon{u"/"_qs, u":"_qs};
  const QStringList spaceHyphen{u" "_qs, u"-"_qs};
  const QStringList space{u" "_qs};
  const struct {
    QString text;
    QStringList list;
    QString replaced, start, end, both;
  } cases[] = {
      {u"a/b:c"_qs, slashColon, u"a--b--c"_qs, u"a/b:c"_qs, u"a/b:c"_qs, u"a/b:c"_qs},
      {u"- -abc- "_qs, spaceHyphen, u"------abc----"_qs, u"abc- "_qs, u"- -abc"_qs, u"abc"_qs},
      {u"---"_qs, spaceHyphen, u"------"_qs, u""_qs, u""_qs, u""_qs},
      {u"a b  "_qs, space, u"a--b----"_qs, u"a b  "_qs, u"a b"_qs, u"a b"_qs},
      {u""_qs, space, u""_qs, u""_qs, u""_qs, u""_qs},
      {u" x "_qs, {u"  "_qs, u""_qs}, u" x "_qs, u" x "_qs, u" x "_qs, u" x "_qs},  // entries must be one
                                                                                    // unit
      {u"\u00A0x\u2028"_qs, {u"\u00A0"_qs, u"\u2028"_qs}, u"--x--"_qs, u"x\u2028"_qs, u"\u00A0x"_qs, u"x"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(cleanWithReplace(c.text, c.list, u"--"_qs), c.replaced);
    EXPECT_EQ(trimFromStart(c.text, c.list), c.start);
    EXPECT_EQ(trimFromEnd(c.text, c.list), c.end);
    EXPECT_EQ(trimFromBoth(c.text, c.list), c.both);
  }
  EXPECT_EQ(cleanWithReplace(u"a/b:c"_qs, slashColon, u""_qs), u"abc"_qs);
}

TEST(StringAffixes, CharacterListsWorkUnitByUnit) {
  // The list characters() makes of an emoji names its two halves, and each
  // half is trimmed on its own.
  const QString emoji = u"\U0001F600"_qs;
  EXPECT_EQ(trimFromEnd(u"x"_qs + emoji + emoji, characters(emoji)), u"x"_qs);
  EXPECT_EQ(trimFromStart(emoji + u"x"_qs, {emoji.first(1)}), emoji.sliced(1) + u"x"_qs);
  // A lone low half in the list never pairs with a lone high half beside it.
  EXPECT_EQ(cleanWithReplace(emoji, {emoji.sliced(1), emoji.first(1)}, u"."_qs), u".."_qs);
  EXPECT_EQ(cleanWithReplace(u"a\U0001F601"_qs, {emoji.sliced(1), emoji.first(1)}, u"."_qs),
            u"a."_qs + QChar(0xDE01));
}

TEST(StringAffixes, CaseInsensitivePrefixesAndSuffixes) {
  const struct {
    QString text, affix;
    bool hasPrefix, hasSuffix;
    QString deprefixed, desuffixed;
  } cases[] = {
      {u"the end"_qs, u"THE"_qs, true, false, u" end"_qs, u"the end"_qs},
      {u"the the end"_qs, u"the "_qs, true, false, u"the end"_qs, u"the the end"_qs},
      {u"cats"_qs, u"S"_qs, false, true, u"cats"_qs, u"cat"_qs},
      {u"abc"_qs, u""_qs, false, false, u"abc"_qs, u"abc"_qs},
      {u""_qs, u"a"_qs, false, false, u""_qs, u""_qs},
      {u"ab"_qs, u"abc"_qs, false, false, u"ab"_qs, u"ab"_qs},
      {u"Stra\u00DFe"_qs, u"STRASSE"_qs, false, false, u"Stra\u00DFe"_qs, u"Stra\u00DFe"_qs},  // no folding
      {u"\u00C9T\u00C9"_qs, u"\u00E9"_qs, true, true, u"T\u00C9"_qs, u"\u00C9T"_qs},
      // "İ" lowers to two units: exactly "İ" is cut, never a unit too many or too few.
      {kDottedCapitalI + u"x"_qs, u"i\u0307"_qs, true, false, u"x"_qs, kDottedCapitalI + u"x"_qs},
      {u"x"_qs + kDottedCapitalI, u"I\u0307"_qs, false, true, u"x"_qs + kDottedCapitalI, u"x"_qs},
      {kDottedCapitalI + u"stanbul"_qs, kDottedCapitalI + u"STAN"_qs, true, false, u"bul"_qs,
       kDottedCapitalI + u"stanbul"_qs},
      {kDottedCapitalI, kDottedCapitalI, true, true, u""_qs, u""_qs},
      // The match ends inside the lower-case form of "İ": no clean cut, no change.
      {kDottedCapitalI + u"x"_qs, u"i"_qs, true, false, kDottedCapitalI + u"x"_qs, kDottedCapitalI + u"x"_qs},
      {u"x"_qs, kDottedCapitalI, false, false, u"x"_qs, u"x"_qs},  // longer than the receiver once lowered
      {u"\U00010400x\U00010400"_qs, u"\U00010428"_qs, true, true, u"x\U00010400"_qs, u"\U00010400x"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " / " + ::testing::PrintToString(c.affix));
    EXPECT_EQ(hasCaseInsensitivePrefix(c.text, c.affix), c.hasPrefix);
    EXPECT_EQ(hasCaseInsensitiveSuffix(c.text, c.affix), c.hasSuffix);
    EXPECT_EQ(deprefixCaseInsensitive(c.text, c.affix), c.deprefixed);
    EXPECT_EQ(desuffixCaseInsensitive(c.text, c.affix), c.desuffixed);
  }
}

TEST(StringAffixes, DesuffixIsCaseSensitive) {
  const struct {
    QString text, suffix, expected;
  } cases[] = {
      {u"cats"_qs, u"s"_qs, u"cat"_qs}, {u"cats"_qs, u"S"_qs, u"cats"_qs}, {u"ss"_qs, u"s"_qs, u"s"_qs},
      {u"cats"_qs, u""_qs, u"cats"_qs}, {u""_qs, u""_qs, u""_qs},          {u"s"_qs, u"cats"_qs, u"s"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " / " + ::testing::PrintToString(c.suffix));
    EXPECT_EQ(desuffix(c.text, c.suffix), c.expected);
  }
}

TEST(StringAffixes, IsEqualToStringIgnoringCaseLowersBothSides) {
  const struct {
    QString text;
    std::optional<QString> other;
    bool equal;
  } cases[] = {
      {u"Hello"_qs, u"hELLO"_qs, true},
      {u"Hello"_qs, std::nullopt, false},
      {u""_qs, u""_qs, true},
      {u""_qs, std::nullopt, false},
      {u"Stra\u00DFe"_qs, u"STRASSE"_qs, false},
      {u"\u00C9t\u00E9"_qs, u"\u00E9T\u00C9"_qs, true},
      {kDottedCapitalI, u"i\u0307"_qs, true},
      {kDottedCapitalI, u"i"_qs, false},
      {u"\u212A"_qs, u"k"_qs, true},  // the Kelvin sign lowers to k
      {u"Hello"_qs, u"Hell"_qs, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(isEqualToStringIgnoringCase(c.text, c.other), c.equal);
  }
}

TEST(StringAffixes, CuttingAtDelimiters) {
  const struct {
    QString text, delim, to, from;
  } cases[] = {
      {u"key=value=x"_qs, u"="_qs, u"key"_qs, u"value=x"_qs},
      {u"=x"_qs, u"="_qs, u""_qs, u"x"_qs},
      {u"x="_qs, u"="_qs, u"x"_qs, u""_qs},
      {u"abc"_qs, u"="_qs, u"abc"_qs, u"abc"_qs},
      {u"abc"_qs, u""_qs, u"abc"_qs, u"abc"_qs},
      {u""_qs, u"="_qs, u""_qs, u""_qs},
      {u"a::b"_qs, u"::"_qs, u"a"_qs, u"b"_qs},
      // Canonically equivalent text matches, and what follows starts after the text matched.
      {u"cafe\u0301!"_qs, u"\u00E9"_qs, u"caf"_qs, u"!"_qs},
      {u"caf\u00E9!"_qs, u"e\u0301"_qs, u"caf"_qs, u"!"_qs},
      {u"a\u0323\u0302b"_qs, u"a\u0302\u0323"_qs, u""_qs, u"b"_qs},
      {u"cafe\u0301!"_qs, u"e"_qs, u"cafe\u0301!"_qs, u"cafe\u0301!"_qs},  // half a character is no match
      {u"x\U0001F600y"_qs, u"\U0001F600"_qs, u"x"_qs, u"y"_qs},
      {u"x\U0001F600y"_qs, QString(QChar(0xDE00)), u"x\U0001F600y"_qs, u"x\U0001F600y"_qs},
      {u"A=a"_qs, u"a"_qs, u"A="_qs, u""_qs},  // case counts
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " / " + ::testing::PrintToString(c.delim));
    EXPECT_EQ(substringToDelim(c.text, c.delim), c.to);
    EXPECT_EQ(substringFromDelim(c.text, c.delim), c.from);
  }
}

TEST(StringAffixes, SubstringBetweenDelimiters) {
  const struct {
    QString text, from, to, expected;
  } cases[] = {
      {u"a<b>c"_qs, u"<"_qs, u">"_qs, u"b"_qs},
      {u"a<bc"_qs, u"<"_qs, u">"_qs, u"bc"_qs},
      {u"abc>"_qs, u"<"_qs, u">"_qs, u"abc>"_qs},  // no start: the end is not looked for
      {u"a>b<c>d"_qs, u"<"_qs, u">"_qs, u"c"_qs},  // the end is looked for after the start
      {u"<>"_qs, u"<"_qs, u">"_qs, u""_qs},
      {u"a<b>"_qs, u"<"_qs, u""_qs, u"b>"_qs},
      {u"[caf\u00E9]"_qs, u"["_qs, u"e\u0301"_qs, u"caf"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(substringFromDelim(c.text, c.from, c.to), c.expected);
  }
}

TEST(StringAffixes, SnrBatchAppliesPairsInOrder) {
  const struct {
    QString text;
    QStringList search, replace;
    QString expected;
  } cases[] = {
      {u"ab"_qs, {u"a"_qs, u"b"_qs}, {u"b"_qs, u"c"_qs}, u"cc"_qs},
      {u"ab"_qs, {u"b"_qs, u"a"_qs}, {u"c"_qs, u"b"_qs}, u"bc"_qs},
      {u"aaa"_qs, {u"aa"_qs}, {u"b"_qs}, u"ba"_qs},
      {u"&<"_qs, {u"&"_qs, u"<"_qs}, {u"&amp;"_qs, u"&lt;"_qs}, u"&amp;&lt;"_qs},
      {u"abc"_qs, {u""_qs, u"c"_qs}, {u"x"_qs, u"d"_qs}, u"abd"_qs},
      {u""_qs, {u""_qs}, {u"x"_qs}, u""_qs},
      {u"\u00E9e\u0301"_qs, {u"\u00E9"_qs}, {u"E"_qs}, u"Ee\u0301"_qs},  // literal, not canonical
      // A shorter replacement list: pairs without a replacement are not applied.
      {u"abc"_qs, {u"a"_qs, u"b"_qs, u"c"_qs}, {u"x"_qs}, u"xbc"_qs},
      {u"abc"_qs, {u"a"_qs}, {}, u"abc"_qs},
      {u"abc"_qs, {u"c"_qs}, {u"1"_qs, u"2"_qs}, u"ab1"_qs},
      {u"x\U0001F600"_qs, {u"\U0001F600"_qs}, {u"\U0001F601"_qs}, u"x\U0001F601"_qs},
      // Later pairs see what earlier ones wrote, also where it meets the text around it.
      {u"ac"_qs, {u"a"_qs, u"bc"_qs}, {u"b"_qs, u"x"_qs}, u"x"_qs},
      {u"xa"_qs, {u"a"_qs, u"xy"_qs}, {u"y"_qs, u"z"_qs}, u"z"_qs},
      {u"wxa"_qs, {u"a"_qs, u"wxyy"_qs}, {u"yy"_qs, u"Q"_qs}, u"Q"_qs},
      {u"aXa aXa"_qs, {u"X"_qs, u"aYa a"_qs}, {u"Y"_qs, u"-"_qs}, u"-Ya"_qs},
      {u"One And Two And"_qs, {u" And"_qs, u" and"_qs}, {u" and"_qs, u" AND"_qs}, u"One AND Two AND"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text) + " " + ::testing::PrintToString(c.search));
    EXPECT_EQ(snrBatch(c.text, c.search, c.replace), c.expected);
  }
}

TEST(StringAffixes, SnrBatchFollowsListsThatChangeBetweenCalls) {
  // The pairs compiled for one pair of lists are used again for the same lists.
  QStringList search{u"a"_qs}, replace{u"1"_qs};
  EXPECT_EQ(snrBatch(u"abc"_qs, search, replace), u"1bc"_qs);
  EXPECT_EQ(snrBatch(u"cab"_qs, search, replace), u"c1b"_qs);
  search[0] = u"b"_qs;
  EXPECT_EQ(snrBatch(u"abc"_qs, search, replace), u"a1c"_qs);
  replace[0] = u"2"_qs;
  EXPECT_EQ(snrBatch(u"abc"_qs, search, replace), u"a2c"_qs);
  search.append(u"c"_qs);
  replace.append(u"3"_qs);
  EXPECT_EQ(snrBatch(u"abc"_qs, search, replace), u"a23"_qs);
  const QStringList copy = search;  // equal lists, and a shared copy, answer alike
  EXPECT_EQ(snrBatch(u"abc"_qs, copy, replace), u"a23"_qs);
  EXPECT_EQ(snrBatch(u"abc"_qs, QStringList{u"b"_qs, u"c"_qs}, replace), u"a23"_qs);
  replace.removeLast();
  EXPECT_EQ(snrBatch(u"abc"_qs, search, replace), u"a2c"_qs);
  EXPECT_EQ(snrBatch(u"abc"_qs, {}, {}), u"abc"_qs);
}

TEST(StringAffixes, StripDiacritical) {
  const struct {
    QString text, expected;
  } cases[] = {
      {u"Cr\u00E8me Br\u00FBl\u00E9e"_qs, u"Creme Brulee"_qs},
      {u"\u00C5ngstr\u00F6m"_qs, u"Angstrom"_qs},
      {u"\u212Bngstr\u00F6m"_qs, u"Angstrom"_qs},  // the Angstrom sign decomposes as well
      {u"cafe\u0301\u20DD"_qs, u"cafe"_qs},        // an enclosing mark (Me)
      {u"\u00F8\u0142\uFB01"_qs, u"\u00F8\u0142\uFB01"_qs},
      {u"\uD55C"_qs, u"\u1112\u1161\u11AB"_qs},  // Hangul comes back as its jamo
      {u"\u0915\u093F"_qs, u"\u0915"_qs},        // a spacing mark (Mc)
      {u"x\U0001D167y"_qs, u"xy"_qs},            // a combining mark beyond the BMP
      {u"\U0001D15E"_qs, u"\U0001D157"_qs},      // a decomposition beyond the BMP loses its stem
      {u"\u0301"_qs, u""_qs},
      {u"plain"_qs, u"plain"_qs},
      {u""_qs, u""_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(stripDiacritical(c.text), c.expected);
  }
}

TEST(StringAffixes, StripDiacriticalOfLongTextMatchesItsParts) {
  // Long texts are decomposed in segments; the seams must not show.
  QString text, expected;
  for (int i = 0; i < 40000; ++i) {
    text += u"e\u0301\u0323"_qs;
    expected += u"e"_qs;
  }
  text += u"\u0301\u0302"_qs;  // marks with nothing to sit on
  EXPECT_EQ(stripDiacritical(text), expected);
}

TEST(StringAffixes, OperationsWithNothingToDoAnswerTheReceiverItself) {
  const QString text = QString::fromUtf8("plain text");  // heap data: literals are never "shared"
  const QStringList hyphen{u"-"_qs};
  EXPECT_TRUE(trimFromStart(text, hyphen).isSharedWith(text));
  EXPECT_TRUE(trimFromEnd(text, hyphen).isSharedWith(text));
  EXPECT_TRUE(trimFromBoth(text, hyphen).isSharedWith(text));
  EXPECT_TRUE(deprefixCaseInsensitive(text, u"z"_qs).isSharedWith(text));
  EXPECT_TRUE(desuffix(text, u"z"_qs).isSharedWith(text));
  EXPECT_TRUE(desuffixCaseInsensitive(text, u"z"_qs).isSharedWith(text));
  EXPECT_TRUE(substringToDelim(text, u"z"_qs).isSharedWith(text));
  EXPECT_TRUE(substringFromDelim(text, u"z"_qs).isSharedWith(text));
  EXPECT_TRUE(substringFromDelim(text, u"z"_qs, u"t"_qs).isSharedWith(text));
  EXPECT_TRUE(snrBatch(text, {u"z"_qs}, {u"y"_qs}).isSharedWith(text));
  EXPECT_TRUE(stripDiacritical(text).isSharedWith(text));
  QString empty;
  empty.reserve(4);  // heap data, so sharing can be seen
  EXPECT_TRUE(cleanWithReplace(empty, hyphen, u"z"_qs).isSharedWith(empty));
  EXPECT_TRUE(trimFromBoth(empty, hyphen).isSharedWith(empty));
  EXPECT_TRUE(snrBatch(empty, {u""_qs}, {u"z"_qs}).isSharedWith(empty));
}

}  // namespace
