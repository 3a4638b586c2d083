#include "collections/sorted_arrays.h"

#include <gtest/gtest.h>

#include <random>

#include "collections/comparators.h"
#include "testsupport/qt_printers.h"

namespace {

using namespace Tirr_NSArrayAdditions;
using Tirr_NSMutableArrayAdditions::insertAndSortNumber;

QVariantList named(const QStringList& names) {
  QVariantList records;
  for (const QString& name : names) records.append(QVariantMap{{"name", name}});
  return records;
}

QStringList namesOf(const QVariantList& records) {
  QStringList names;
  for (const QVariant& record : records) names.append(record.toMap().value("name").toString());
  return names;
}

TEST(SortedArraysTest, SortsWithEachOrdering) {
  const struct {
    QStringList (*sortFunction)(const QStringList&);
    QStringList input;
    QStringList expected;
  } cases[] = {
      {sort, {"b", "A", "c"}, {"A", "b", "c"}},
      {sort, {}, {}},
      {sortWithStringsAsNumbersSort, {"file10", "file9", "File1"}, {"File1", "file9", "file10"}},
      {sortWithStringsAsNumbersSort, {"a2", "a-2", "a10"}, {"a-2", "a2", "a10"}},
      // No "ArticlePrefixes" entry: only that word, in any case, is removed.
      {sortWithCleanedStringSort,
       {"ArticlePrefixesZ", "b", "articleprefixesa", "The c"},
       {"articleprefixesa", "b", "The c", "ArticlePrefixesZ"}},
      {sortRemovingDuplicates, {"b", "a", "b", "B"}, {"a", "b", "B"}},
      {sortRemovingDuplicates, {"x", "x", "x"}, {"x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    const QStringList input = c.input;
    EXPECT_EQ(c.sortFunction(input), c.expected);
    EXPECT_EQ(input, c.input);
  }
}

TEST(SortedArraysTest, KeyedSortsOrderByTheValueUnderTheKey) {
  EXPECT_EQ(namesOf(sortForKey(named({"b", "A", "c"}), "name")), (QStringList{"A", "b", "c"}));
  EXPECT_EQ(namesOf(sortWithStringsAsNumbersSortForKey(named({"file10", "file9"}), "name")),
            (QStringList{"file9", "file10"}));
  EXPECT_EQ(namesOf(sortWithCleanedStringSortForKey(named({"ArticlePrefixesc", "b"}), "name")),
            (QStringList{"b", "ArticlePrefixesc"}));

  // Missing keys, the null marker and non-dictionaries first, in receiver
  // order; then non-strings; then strings.
  const QVariantList mixed = {QVariantMap{{"name", "a"}}, QVariantMap{{"name", 2}},
                              QVariantMap{{"other", "x"}}, QString("not a record"),
                              QVariantMap{{"name", QVariant::fromValue(nullptr)}}};
  const QVariantList expected = {mixed[2], mixed[3], mixed[4], mixed[1], mixed[0]};
  EXPECT_EQ(sortForKey(mixed, "name"), expected);
  EXPECT_EQ(sortWithStringsAsNumbersSortForKey(mixed, "name"), expected);

  QList<QVariantMap> records = {{{"name", "b"}}, {{"note", "x"}}, {{"name", "A"}}};
  const QList<QVariantMap> sorted = sortForKey(records, "name");
  EXPECT_EQ(sorted, (QList<QVariantMap>{records[1], records[2], records[0]}));
}

// The sorts collate each element once by sort key; the result must be the
// order the comparator gives pairwise, including long shared prefixes where
// the first eight key bytes tie.
TEST(SortedArraysTest, SortsAgreeWithTheirComparators) {
  std::mt19937 random(11);
  const QStringList stems = {"file",
                             "File",
                             "chapter-",
                             "Chapter ",
                             "\u00e4rm",
                             "arm",
                             "The ",
                             "zz",
                             "",
                             "aaaaaaaaaaaaaaaaaaaaaaaaa",
                             "AAAAAAAAAAAAAAAAAAAAAAAAA",
                             "\u00c5ngstr\u00f6m"};
  QStringList input;
  for (int i = 0; i < 400; ++i)
    input.append(stems[random() % stems.size()] + QString::number(random() % 120) +
                 stems[random() % stems.size()]);

  const struct {
    QStringList (*sortFunction)(const QStringList&);
    Comparator compare;
  } cases[] = {{sort, arrayStringSort},
               {sortWithStringsAsNumbersSort, arrayStringAsNumberSort},
               {sortWithCleanedStringSort, arrayCleanedStringSort}};
  for (const auto& c : cases) {
    const QStringList sorted = c.sortFunction(input);
    ASSERT_EQ(sorted.size(), input.size());
    for (qsizetype i = 1; i < sorted.size(); ++i)
      ASSERT_LE(c.compare(sorted[i - 1], sorted[i], std::nullopt), 0) << sorted[i - 1].toStdString();
    QStringList a = sorted, b = input;
    a.sort();
    b.sort();
    EXPECT_EQ(a, b);
  }
}

// Removing duplicates after sorting must keep exactly what the one-by-one walk
// over the sorted list keeps.
TEST(SortedArraysTest, SortRemovingDuplicatesMatchesTheWalk) {
  std::mt19937 random(5);
  const QStringList words = {"a", "A", "b", "B", "\u00e9", "e\u0301", "E", "file2", "FILE2"};
  QStringList input;
  for (int i = 0; i < 300; ++i) input.append(words[random() % words.size()]);
  QStringList walked;
  for (const QString& text : sort(input))
    if (!walked.contains(text)) walked.append(text);
  EXPECT_EQ(sortRemovingDuplicates(input), walked);
}

TEST(SortedArraysTest, ReverseCopiesLastFirst) {
  EXPECT_EQ(reverse(QStringList{}), QStringList{});
  EXPECT_EQ(reverse(QStringList{"a", "b", "c"}), (QStringList{"c", "b", "a"}));
  const QVariantList original = {1, "x"};
  EXPECT_EQ(reverse(original), (QVariantList{"x", 1}));
  EXPECT_EQ(original, (QVariantList{1, "x"}));
}

TEST(SortedArraysTest, InsertAndSortNumberBisects) {
  const qint64 big = qint64(1) << 53;
  const struct {
    const char* name;
    QVariantList list;
    QVariant value;
    QVariantList expected;
  } cases[] = {
      {"middle", {1, 3, 7}, 5, {1, 3, 5, 7}},
      {"front", {1, 3, 7}, 0, {0, 1, 3, 7}},
      {"end", {1, 3, 7}, 9, {1, 3, 7, 9}},
      {"empty", {}, 5, {5}},
      {"one, smaller", {5}, 4, {4, 5}},
      {"one, larger", {5}, 6, {5, 6}},
      {"two, between", {2, 8}, 5, {2, 5, 8}},
      {"beyond 2^53", {big, big + 2}, big + 1, {big, big + 1, big + 2}},
      {"double 2^53 before 2^53+1", {big + 1}, double(big), {double(big), big + 1}},
      {"fraction", {1, 2}, 1.5, {1, 1.5, 2}},
      {"unsigned 64 bits", {qint64(-1)}, quint64(~0ULL), {qint64(-1), quint64(~0ULL)}},
      {"string after numbers", {1, 2}, "x", {1, 2, "x"}},
      {"null marker before numbers",
       {1, 2},
       QVariant::fromValue(nullptr),
       {QVariant::fromValue(nullptr), 1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QVariantList list = c.list;
    insertAndSortNumber(list, c.value);
    ASSERT_EQ(list.size(), c.expected.size());
    for (qsizetype i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i].typeId(), c.expected[i].typeId()) << i;
      EXPECT_EQ(list[i], c.expected[i]) << i;
    }
  }
}

// An equal value goes in front of the first equal element the bisection meets.
TEST(SortedArraysTest, InsertAndSortNumberPutsEqualValuesInFront) {
  const struct {
    QVariantList list;
    qsizetype expectedPosition;
  } cases[] = {
      {{1, 3, 7}, 1},    {{3, 3, 3, 3, 3}, 2},  // the middle one: not the first of the run
      {{1, 3, 3}, 1},    {{3}, 0},
      {{1, 2, 3, 3}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.list));
    QVariantList list = c.list;
    insertAndSortNumber(list, 3.0);  // a double, to tell it from the integers
    ASSERT_EQ(list.size(), c.list.size() + 1);
    for (qsizetype i = 0; i < list.size(); ++i)
      EXPECT_EQ(list[i].typeId() == QMetaType::Double, i == c.expectedPosition) << i;
  }
}

}  // namespace

// Lists long enough to be sorted in two halves at once and merged, mixing
// ASCII strings (whose keys are made without ICU) with others: the result must
// be exactly a stable sort by the comparator.
TEST(SortedArraysTest, LongSortsAreStableSortsByTheComparator) {
  std::mt19937 random(29);
  const QStringList stems = {"file", "File",     "IMG_",           "report-", "The ", "Chapter ", "\u00e4rm",
                             "arm",  "Zo\u00eb", "e\u0301t\u00e9", "",        " ",    "x.tar.gz"};
  QStringList input;
  for (int i = 0; i < 9000; ++i) {
    const unsigned digits = random() % 4;
    input.append(stems[random() % stems.size()] +
                 (digits ? QString::number(random() % (digits == 1   ? 20
                                                       : digits == 2 ? 12000
                                                                     : 2000000))
                         : QString()) +
                 stems[random() % stems.size()]);
  }
  const struct {
    QStringList (*sortFunction)(const QStringList&);
    Comparator compare;
  } cases[] = {{sort, arrayStringSort},
               {sortWithStringsAsNumbersSort, arrayStringAsNumberSort},
               {sortWithCleanedStringSort, arrayCleanedStringSort}};
  for (const auto& c : cases) {
    QStringList expected = input;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](const QString& a, const QString& b) { return c.compare(a, b, std::nullopt) < 0; });
    EXPECT_EQ(c.sortFunction(input), expected);
  }

  // Keyed: records without the key, with other values, and with strings.
  QVariantList records;
  for (int i = 0; i < 6000; ++i) {
    const unsigned kind = random() % 8;
    if (kind == 0)
      records.append(QVariantMap{{"other", i}});
    else if (kind == 1)
      records.append(QVariantMap{{"name", i}});
    else
      records.append(QVariantMap{{"name", input[i]}, {"n", i}});
  }
  QVariantList expected = records;
  std::stable_sort(expected.begin(), expected.end(), [](const QVariant& a, const QVariant& b) {
    return arrayStringSort(a, b, QStringLiteral("name")) < 0;
  });
  EXPECT_EQ(sortForKey(records, QStringLiteral("name")), expected);
}
