#include "text/string_case.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTranslator>
#include <random>
#include <thread>

#include "testsupport/qt_printers.h"
#include "text/string_affixes.h"

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
          {u"mcmac"_qs, u"McMac"_qs},            // a prefix right after a prefix
          {u"xmacy amcx"_qs, u"Xmacy Amcx"_qs},  // inside a word the "m" was never capitalised
          {u"MAC-MC.MAC'MC"_qs, u"Mac-Mc.Mac'Mc"_qs},
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

// Installs a SmallWordsTranslator for the lifetime of the object.
class InstalledSmallWords {
 public:
  explicit InstalledSmallWords(QString words) : translator_(std::move(words)) {
    installed_ = QCoreApplication::installTranslator(&translator_);
  }
  ~InstalledSmallWords() { QCoreApplication::removeTranslator(&translator_); }
  [[nodiscard]] bool installed() const { return installed_; }

 private:
  SmallWordsTranslator translator_;
  bool installed_ = false;
};

TEST(StringCase, TitleCaseAnswersTheTranslationOfEachLanguageChangeAnnounced) {
  QString words = u" Peace "_qs;
  struct Live : QTranslator {
    const QString* words = nullptr;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
      if (qstrcmp(context, "ui") == 0 && qstrcmp(sourceText, "titleCaseSmallWords") == 0) return *words;
      return {};
    }
  } live;
  live.words = &words;
  ASSERT_TRUE(QCoreApplication::installTranslator(&live));
  EXPECT_EQ(titleCaseString(u"war and peace "_qs), u"War And peace "_qs);
  words = u" And "_qs;
  QEvent change(QEvent::LanguageChange);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
  EXPECT_EQ(titleCaseString(u"war and peace "_qs), u"War and Peace "_qs);
  QCoreApplication::removeTranslator(&live);
  EXPECT_EQ(titleCaseString(u"war and peace "_qs), u"War and Peace "_qs);
  EXPECT_EQ(titleCaseString(u"war of peace "_qs), u"War of Peace "_qs);
}

TEST(StringCase, TitleCaseOnAnotherThreadReadsTheTranslation) {
  InstalledSmallWords words(u" Peace "_qs);
  ASSERT_TRUE(words.installed());
  QString first, second;
  std::thread([&] {
    first = titleCaseString(u"war and peace "_qs);
    second = titleCaseString(u"war and peace "_qs);
  }).join();
  EXPECT_EQ(first, u"War And peace "_qs);
  EXPECT_EQ(second, u"War And peace "_qs);
}

// Random titles from small words in every case, other words (non-ASCII,
// beyond the BMP, growing when upper-cased) and every kind of white space.
QStringList randomTitles(int count) {
  const QString pieces[] = {
      u"a"_qs,       u"A"_qs,       u"an"_qs,       u"And"_qs,           u"AND"_qs,     u"of"_qs,
      u"Of"_qs,      u"the"_qs,     u"vs."_qs,      u"Vs."_qs,           u"yet"_qs,     u"via"_qs,
      u"lord"_qs,    u"x"_qs,       u"'n'"_qs,      u"\u00E9t\u00E9"_qs, u"\u00DFa"_qs, u"\U00010428b"_qs,
      u"\u0130s"_qs, u"\u0301a"_qs, u"a\u00A0b"_qs, u"1st"_qs,
  };
  const QString spaces[] = {u" "_qs,  u" "_qs,      u" "_qs,       u"  "_qs,   u"\t"_qs, u" \t"_qs,
                            u"\n"_qs, u"\u00A0"_qs, u" \u2028"_qs, u"\r\n"_qs, u""_qs};
  std::mt19937 random(9);
  auto pick = [&](const auto& array) { return array[random() % std::size(array)]; };
  QStringList titles;
  for (int i = 0; i < count; ++i) {
    QString title = random() % 4 == 0 ? pick(spaces) : QString();
    for (int words = int(random() % 7); words > 0; --words) title += pick(pieces) + pick(spaces);
    titles.append(title);
  }
  return titles;
}

TEST(StringCase, TitleCaseLowersSmallWordsAsTheirReplacementPairsWould) {
  // The small words are lowered word by word as the title is written; by
  // definition they are the replacement pairs " Word " -> " word " applied one
  // after the other to the capitalised text. Both must agree, for the built-in
  // list and for a list that is applied as pairs afterwards.
  const QString builtIn = QString::fromUtf16(kDefaultTitleCaseSmallWords);
  const QString asPairs = builtIn + u"|\u00D8"_qs;  // an item without spaces: no word-by-word lookup
  const QStringList items = builtIn.split(u'|'), lowered = builtIn.toLower().split(u'|');
  const QStringList titles = randomTitles(3000);
  QStringList capitalised, byWord, byPairs;
  {
    InstalledSmallWords none(u"|"_qs);
    ASSERT_TRUE(none.installed());
    for (const QString& title : titles) capitalised.append(titleCaseString(title));
  }
  for (const QString& title : titles) byWord.append(titleCaseString(title));
  {
    InstalledSmallWords pairs(asPairs);
    ASSERT_TRUE(pairs.installed());
    for (const QString& title : titles) byPairs.append(titleCaseString(title));
  }
  for (qsizetype i = 0; i < titles.size(); ++i) {
    SCOPED_TRACE(::testing::PrintToString(titles[i]));
    const QString expected = snrBatch(capitalised[i], items, lowered);
    EXPECT_EQ(byWord[i], expected);
    EXPECT_EQ(byPairs[i], expected);
  }
}

TEST(StringCase, TitleCaseListsWithRepeatedOrUnusualItems) {
  const struct {
    QString words, text, expected;
  } cases[] = {
      {u" Of | Of "_qs, u"x of of of of y"_qs, u"X of of of of Y"_qs},  // the second pass takes what is left
      {u" The | Of "_qs, u"x the of the y"_qs, u"X the of the Y"_qs},
      {u" Of |x"_qs, u"x of y"_qs, u"X of Y"_qs},   // "x" lowers to itself: a pair that changes nothing
      {u" OF "_qs, u"x of y"_qs, u"X Of Y"_qs},     // only "Of" is ever written
      {u" McD "_qs, u"x mcD y"_qs, u"X mcd Y"_qs},  // a capital inside the word
      {u" \u00C9t\u00E9 "_qs, u"x \u00E9t\u00E9 y"_qs, u"X \u00E9t\u00E9 Y"_qs},
      {u" Of The "_qs, u"x of the y"_qs, u"X of the Y"_qs},  // an item of two words
      {u""_qs, u"x of y"_qs, u"X Of Y"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words + u" / "_qs + c.text));
    InstalledSmallWords words(c.words);
    ASSERT_TRUE(words.installed());
    EXPECT_EQ(titleCaseString(c.text), c.expected);
  }
}

TEST(StringCase, NameCaseOfPlainAsciiAgreesWithTheGeneralRule) {
  // A leading "é " sends the text down the general path (lowered as a whole
  // first) and changes nothing after it: "é" is no prefix letter and the space
  // capitalises the next character, as at the start.
  const char16_t alphabet[] = u"mMaAcCxZ .'-\t";
  std::mt19937 random(9);
  for (int i = 0; i < 3000; ++i) {
    QString text;
    for (int n = int(random() % 12); n > 0; --n)
      text += QChar(alphabet[random() % (std::size(alphabet) - 1)]);
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(nameCaseString(u"\u00E9 "_qs + text), u"\u00C9 "_qs + nameCaseString(text));
  }
}

TEST(StringCase, NameCaseOfLongTextMatchesItsParts) {
  // Long texts are lowered a block at a time; the seams must not show, also
  // where they fall inside a surrogate pair, an "İ" or a "Mac". After a space
  // the next name starts afresh, so each text is its parts one after the other.
  const QString parts[] = {u"mACdONALD "_qs,   u"\U00010400\U00010400 "_qs, u"\u0130STANBUL "_qs,
                           u"o'brien-mcx "_qs, u"\u00C9LO\u00CFSE "_qs,     u"x "_qs,
                           u"\u00DFmith "_qs};
  for (int offset = 0; offset < 60; ++offset) {  // the parts repeat every 54 units
    QString text(offset, u'z');
    QString expected = nameCaseString(text);
    text += u' ';
    expected += u' ';
    for (int i = 0; text.size() < 5000; ++i) {
      const QString& part = parts[(i * 5 + offset) % std::size(parts)];
      text += part;
      expected += nameCaseString(part);
    }
    SCOPED_TRACE(offset);
    EXPECT_EQ(nameCaseString(text), expected);
  }
}

}  // namespace
