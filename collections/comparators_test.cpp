#include "collections/comparators.h"

#include <gtest/gtest.h>

#include <QVariantMap>
#include <algorithm>
#include <random>

#include "testsupport/qt_printers.h"

namespace {

const QString kDecomposedE = QString::fromUtf16(u"e\u0301");  // e + combining acute
const QString kComposedE = QString::fromUtf16(u"\u00e9");
const QString kFullWidthE = QString::fromUtf16(u"\uff45");

struct PairCase {
  QString a;
  QString b;
  int expected;
};

void expectPairs(Comparator compare, std::initializer_list<PairCase> cases) {
  for (const PairCase& c : cases) {
    SCOPED_TRACE(c.a.toStdString() + " vs " + c.b.toStdString());
    EXPECT_EQ(compare(c.a, c.b, std::nullopt), c.expected);
    EXPECT_EQ(compare(c.b, c.a, std::nullopt), -c.expected);
  }
}

TEST(ComparatorsTest, StringSortIgnoresCaseButNotAccents) {
  expectPairs(arrayStringSort, {
                                   {"b", "A", 1},
                                   {"apple", "Apple", 0},
                                   {"e", kComposedE, -1},
                                   {kComposedE, kDecomposedE, 0},
                                   {kFullWidthE, "E", 0},
                                   {"file10", "file9", -1},  // digits by character here
                                   {"", "a", -1},
                               });
}

TEST(ComparatorsTest, StringAsNumberSortComparesDigitRunsByValue) {
  expectPairs(arrayStringAsNumberSort,
              {
                  {"file9", "file10", -1},
                  {"File1", "file9", -1},
                  {"2", "10", -1},
                  {"abc", "ABC", 0},
                  {"a-2", "a2", -1},  // punctuation counts
                  {"a 2", "a2", -1},
                  {"e", kComposedE, -1},  // diacritics count
                  {kComposedE, kDecomposedE, 0},
                  {kFullWidthE, "e", 0},                          // width does not
                  {QString::fromUtf16(u"\uff11\uff10"), "9", 1},  // full-width 10 is ten
                  {"007", "7", 0},
                  {"x18446744073709551616", "x18446744073709551615", 1},  // beyond 64 bits
              });
  expectPairs(stringAsNumberSort, {{"file9", "file10", -1}, {"abc", "ABC", 0}});
}

TEST(ComparatorsTest, StringOperationMatchesTheComparator) {
  EXPECT_EQ(Tirr_NSStringAdditions::stringAsNumberSort("2", "10"), -1);
  EXPECT_EQ(Tirr_NSStringAdditions::stringAsNumberSort("abc", "ABC"), 0);
  EXPECT_EQ(Tirr_NSStringAdditions::stringAsNumberSort("b", "a"), 1);
}

TEST(ComparatorsTest, StringAsNumberSortIgnoresItsKey) {
  EXPECT_EQ(stringAsNumberSort(QString("2"), QString("10"), QString("name")), -1);
}

// Every comparator must be a total order, or std::sort and friends misbehave:
// antisymmetric and transitive over texts that stress each ordering, in an
// arbitrary order.
TEST(ComparatorsTest, EveryComparatorIsATotalOrder) {
  QVariantList values;
  for (const char16_t* text : {u"",
                               u" ",
                               u"a",
                               u"A",
                               u"\u00e4",
                               u"z",
                               u"Z",
                               u"file2",
                               u"file10",
                               u"File02",
                               u"a-2",
                               u"a2",
                               u"a 2",
                               u"The Tale",
                               u"the end",
                               u"ArticlePrefixes b",
                               u"articleprefixesB",
                               u"\uff45",
                               u"e\u0301",
                               u"\u00e9",
                               u"\U0001F600",
                               u"10",
                               u"9",
                               u"x\u0000y"})
    values.append(QString::fromUtf16(text));
  values.append(QVariant());
  values.append(QVariant::fromValue(nullptr));
  values.append(QVariant(qint64(5)));
  values.append(QVariant(true));
  std::shuffle(values.begin(), values.end(), std::mt19937(7));

  for (const Comparator compare :
       {arrayStringSort, arrayCleanedStringSort, arrayStringAsNumberSort, Comparator(stringAsNumberSort)}) {
    for (const QVariant& a : values)
      for (const QVariant& b : values) {
        const int ab = compare(a, b, std::nullopt);
        ASSERT_TRUE(ab == -1 || ab == 0 || ab == 1);
        ASSERT_EQ(ab, -compare(b, a, std::nullopt))
            << a.toString().toStdString() << " / " << b.toString().toStdString();
        for (const QVariant& c : values) {
          if (ab > 0 || compare(b, c, std::nullopt) > 0) continue;
          ASSERT_LE(compare(a, c, std::nullopt), 0);
        }
      }
  }
}

// Keyed comparisons look up each dictionary's value; a missing key, a null
// marker or an element that is no dictionary counts as absent and goes first,
// then values that are not strings, then strings.
TEST(ComparatorsTest, KeyedComparisonRanksAbsentThenNonStringsThenStrings) {
  const QString key = "name";
  const QVariant missing = QVariantMap{{"other", "a"}};
  const QVariant nullMarker = QVariantMap{{"name", QVariant::fromValue(nullptr)}};
  const QVariant notADictionary = QString("a");
  const QVariant number = QVariantMap{{"name", 7}};
  const QVariant otherNumber = QVariantMap{{"name", 3.5}};
  const QVariant upperA = QVariantMap{{"name", "A"}};
  const QVariant lowerA = QVariantMap{{"name", "a"}};
  const QVariant b = QVariantMap{{"name", "b"}};
  const struct {
    QVariant a, b;
    int expected;
  } cases[] = {
      {missing, nullMarker, 0}, {missing, notADictionary, 0}, {missing, number, -1}, {number, otherNumber, 0},
      {number, upperA, -1},     {upperA, lowerA, 0},          {lowerA, b, -1},       {nullMarker, b, -1},
  };
  for (const Comparator compare : {arrayStringSort, arrayCleanedStringSort, arrayStringAsNumberSort}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::PrintToString(c.a) + " vs " + testing::PrintToString(c.b));
      EXPECT_EQ(compare(c.a, c.b, key), c.expected);
      EXPECT_EQ(compare(c.b, c.a, key), -c.expected);
    }
  }
}

TEST(ComparatorsTest, ArticlePrefixesGoInListOrderOnceEach) {
  const QStringList theA = {"The ", "A "};
  const struct {
    QString text;
    QStringList prefixes;
    QString expected;
  } cases[] = {
      {"The A Tale", theA, "Tale"},
      {"A The Tale", theA, "The Tale"},  // an earlier prefix is not looked for again
      {"the the end", {"the "}, "the end"},
      {"THE end", {"the "}, "end"},
      {"Theatre", {"The"}, "atre"},  // no separator of its own
      {"The Who", {"The"}, " Who"},
      {"", theA, ""},
      {"Tale", {"", "|"}, "Tale"},
      {"An Apple", {"A ", "An "}, "Apple"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(withoutArticlePrefixes(c.text, c.prefixes), c.expected);
  }
}

// With no "ArticlePrefixes" translation the lookup answers its key, which then
// is the one prefix removed, in any case.
TEST(ComparatorsTest, CleanedSortWithoutTranslationRemovesTheKeyItself) {
  EXPECT_EQ(articlePrefixes(), QStringList{"ArticlePrefixes"});
  EXPECT_EQ(arrayCleanedStringSort(QString("ArticlePrefixesb"), QString("a"), std::nullopt), 1);
  EXPECT_EQ(arrayCleanedStringSort(QString("articleprefixesA"), QString("b"), std::nullopt), -1);
  EXPECT_EQ(arrayCleanedStringSort(QString("The b"), QString("a"), std::nullopt), 1);
  EXPECT_EQ(
      arrayCleanedStringSort(QVariantMap{{"t", "ARTICLEPREFIXESz"}}, QVariantMap{{"t", "y"}}, QString("t")),
      1);
}

}  // namespace
