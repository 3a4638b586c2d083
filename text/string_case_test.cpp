#include "text/string_case.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

struct CaseExample {
  QString text, expected;
};

void expectAll(std::initializer_list<CaseExample> cases, QString (*convert)(const QString&)) {
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(convert(c.text), c.expected);
  }
}

TEST(StringCase, TitleCase) {
  expectAll(
      {
          {u"the lord of the rings"_qs, u"The Lord of the Rings"_qs},
          {u"a tale of two cities"_qs, u"A Tale of Two Cities"_qs},
          {u"of mice and men"_qs, u"Of Mice and Men"_qs},
          {u"nASA and  the   moon"_qs, u"NASA and the Moon"_qs},
          {u"where it is"_qs, u"Where It Is"_qs},
          {u"where it is "_qs, u"Where It is "_qs},  // the last word lowered only before a space
          {u"war and\npeace"_qs, u"War And\nPeace"_qs},
          {u"the end. and then"_qs, u"The End. and Then"_qs},
          {u"A A A A"_qs, u"A a A A"_qs},  // the space between belongs to the first match
          {u"   "_qs, u""_qs},
          {u"x"_qs, u"X"_qs},
          {u"hELLO wORLD"_qs, u"HELLO WORLD"_qs},
          {u"rock 'n' roll vs. the world"_qs, u"Rock 'n' Roll vs. the World"_qs},
          {u"one\ttwo and\tthree"_qs, u"One\tTwo And\tThree"_qs},
          {u"cats AND dogs"_qs, u"Cats AND Dogs"_qs},  // already capitals: no match
          {u"  leading"_qs, u"Leading"_qs},
          {u"end \t\n"_qs, u"End "_qs},          // only the first of a run survives
          {u"a\u00A0b c"_qs, u"A\u00A0b C"_qs},  // NBSP inside a word is part of it
          {u"a \u00A0\u2028b"_qs, u"A B"_qs},    // but skipped after a stop character
          {u"\u00DFa \u00DF"_qs, u"SSa SS"_qs},  // full mappings
          {u"\u00E9t\u00E9 \u01C6"_qs, u"\u00C9t\u00E9 \u01C4"_qs},
          {u"\U00010428bc"_qs, u"\U00010400bc"_qs},  // a character beyond the BMP
          {u"\u0301a"_qs, u"\u0301a"_qs},            // a leading mark has no case
          {u"in the in"_qs, u"In the In"_qs},
          {u"x of the y"_qs, u"X of the Y"_qs},
      },
      titleCaseString);
}

TEST(StringCase, NameCase) {
  expectAll(
      {
          {u"JOHN SMITH"_qs, u"John Smith"_qs},
          {u"o'brien"_qs, u"O'Brien"_qs},
          {u"mary-kate olsen"_qs, u"Mary-Kate Olsen"_qs},
          {u"mcdonald"_qs, u"McDonald"_qs},
          {u"MACDONALD"_qs, u"MacDonald"_qs},
          {u"ronald mcdonald"_qs, u"Ronald McDonald"_qs},
          {u"mack"_qs, u"MacK"_qs},
          {u"camacho"_qs, u"Camacho"_qs},
          {u"j.r.r. tolkien"_qs, u"J.R.R. Tolkien"_qs},
          {u"van der berg"_qs, u"Van Der Berg"_qs},
          {u"smith jr."_qs, u"Smith Jr."_qs},
          {u"  anne"_qs, u"  Anne"_qs},
          {u"o\u2019neil"_qs, u"O\u2019neil"_qs},  // the typographic apostrophe breaks nothing
          {u"x"_qs, u"X"_qs},
          {u"mc"_qs, u"Mc"_qs},
          {u"macy gray"_qs, u"MacY Gray"_qs},
          {u"de la cruz"_qs, u"De La Cruz"_qs},
          {u"mcmac"_qs, u"McMac"_qs},              // a prefix right after a prefix
          {u"anne\tmarie"_qs, u"Anne\tmarie"_qs},  // tab is no breaker
          {u"\u00C9LO\u00CFSE D'ARC"_qs, u"\u00C9lo\u00EFse D'Arc"_qs},
          {u"\u00DFmith"_qs, u"SSmith"_qs},
          {u"\u0130STANBUL"_qs, u"I\u0307stanbul"_qs},  // "İ" lowers to "i" + U+0307 first
          {u"\U00010400\U00010400 \U00010400"_qs, u"\U00010400\U00010428 \U00010400"_qs},
          {u"mc\u00E9"_qs, u"Mc\u00C9"_qs},
      },
      nameCaseString);
}

TEST(StringCase, EmptyReceiversComeBackThemselves) {
  QString empty;
  empty.reserve(4);  // heap data, so sharing can be seen
  EXPECT_TRUE(titleCaseString(empty).isSharedWith(empty));
  EXPECT_TRUE(nameCaseString(empty).isSharedWith(empty));
}

// Answers one text for the small-words key and nothing else.
class SmallWordsTranslator : public QTranslator {
 public:
  explicit SmallWordsTranslator(QString words) : words_(std::move(words)) {}
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (qstrcmp(context, "ui") == 0 && qstrcmp(sourceText, "titleCaseSmallWords") == 0) return words_;
    return {};
  }

 private:
  QString words_;
};

TEST(StringCase, TitleCaseReadsTheTranslatedSmallWordsOnEveryCall) {
  ASSERT_EQ(titleCaseString(u"war and peace"_qs), u"War and Peace"_qs);
  {
    SmallWordsTranslator translator(u" Of | The "_qs);
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    EXPECT_EQ(titleCaseString(u"the lord of the rings"_qs), u"The Lord of the Rings"_qs);
    EXPECT_EQ(titleCaseString(u"war and peace"_qs), u"War And Peace"_qs);
    QCoreApplication::removeTranslator(&translator);
  }
  {
    SmallWordsTranslator translator(u" Und | Der |Ö"_qs);  // an item needs no spaces
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    EXPECT_EQ(titleCaseString(u"krieg und öl der welt"_qs), u"Krieg und öl der Welt"_qs);
    QCoreApplication::removeTranslator(&translator);
  }
  EXPECT_EQ(titleCaseString(u"war and peace"_qs), u"War and Peace"_qs);
}

}  // namespace
