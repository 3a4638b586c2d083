#include "text/character_sets.h"

#include <gtest/gtest.h>

#include <QChar>

using namespace Tirr_NSCharacterSetAdditions;

namespace {

TEST(CharacterSets, FixedSetsHoldExactlyTheirCharacters) {
  const struct {
    char16_t c;
    bool white, newline;
  } cases[] = {
      {u' ', true, false},    {u'\t', true, false}, {u'\n', true, true},    {u'\r', true, true},
      {u'\v', true, false},   {u'\f', true, false}, {0x00A0, false, false}, {0x0085, false, false},
      {0x2028, false, false}, {u'a', false, false}, {0, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.c));
    EXPECT_EQ(allWhitespaceCharacterSet().contains(c.c), c.white);
    EXPECT_EQ(newlineCharacterSet().contains(c.c), c.newline);
  }
  EXPECT_EQ(&allWhitespaceCharacterSet(), &allWhitespaceCharacterSet());
  EXPECT_EQ(&newlineCharacterSet(), &newlineCharacterSet());
}

TEST(CharacterSets, BuiltSetTakesSurrogatePairsAsOneCharacter) {
  const CharacterSet set(u"a\U0001F600\u00E9");
  EXPECT_TRUE(set.contains(u'a'));
  EXPECT_TRUE(set.contains(0x00E9));
  EXPECT_TRUE(set.containsCodePoint(0x1F600));
  EXPECT_FALSE(set.contains(0xD83D));  // neither half on its own
  EXPECT_FALSE(set.containsCodePoint(0x1F601));
  EXPECT_TRUE(CharacterSet().isEmpty());
}

// The fast test must agree with the Unicode categories everywhere in the BMP.
TEST(CharacterSets, WhitespaceOrNewlineMatchesTheSeparatorCategories) {
  for (char32_t c = 0; c <= 0xFFFF; ++c) {
    const QChar::Category category = QChar::category(c);
    const bool expected = category == QChar::Separator_Space || category == QChar::Separator_Line ||
                          category == QChar::Separator_Paragraph || (c >= 0x09 && c <= 0x0D) || c == 0x85;
    ASSERT_EQ(isWhitespaceOrNewline(char16_t(c)), expected) << std::hex << unsigned(c);
  }
}

}  // namespace
