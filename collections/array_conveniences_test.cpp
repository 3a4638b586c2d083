#include "collections/array_conveniences.h"

#include <gtest/gtest.h>

#include <QVariantMap>
#include <limits>
#include <map>
#include <random>

#include "collections/list_elements.h"
#include "testsupport/qt_printers.h"

namespace {

using namespace Tirr_NSArrayAdditions;

const QVariant kNull = QVariant::fromValue(nullptr);

bool isNullMarker(const QVariant& v) { return v.typeId() == QMetaType::Nullptr; }

// The value random() answers after `draws` draws from `seed`.
long drawAfter(unsigned seed, int draws) {
  srandom(seed);
  for (int i = 0; i < draws; ++i) (void)random();
  return random();
}

TEST(ArrayConveniencesTest, FirstAndSafeAccess) {
  EXPECT_EQ(firstObject(QStringList{}), std::nullopt);
  EXPECT_EQ(firstObject(QStringList{"a", "b"}), QString("a"));
  const QStringList three = {"a", "b", "c"};
  EXPECT_EQ(objectOrNilAtIndex(three, 2), QString("c"));
  EXPECT_EQ(objectOrNilAtIndex(three, 3), std::nullopt);
  EXPECT_EQ(objectOrNilAtIndex(three, std::numeric_limits<quint64>::max()), std::nullopt);
  EXPECT_EQ(objectOrNilAtIndex(QVariantList{}, 0), std::nullopt);
}

TEST(ArrayConveniencesTest, RemoveDuplicatesComparesByKind) {
  const qint64 big = qint64(1) << 53;
  const struct {
    const char* name;
    QVariantList input;
    QVariantList expected;
  } cases[] = {
      {"first occurrences", {"b", "a", "b", "c", "a"}, {"b", "a", "c"}},
      {"case counts", {"a", "A"}, {"a", "A"}},
      {"text is not a number", {"1", 1}, {"1", 1}},
      {"numbers by value", {1, 1.0, qint64(1), 2.5f, 2.5}, {1, 2.5f}},
      {"beyond 2^53", {big + 1, double(big), big}, {big + 1, double(big)}},
      {"booleans apart from numbers", {true, 1, false, 0}, {true, 1, false, 0}},
      {"absent values", {QVariant(), kNull, kNull, QVariant()}, {QVariant(), kNull}},
      {"dictionaries by kind too",
       {QVariantMap{{"k", "1"}}, QVariantMap{{"k", 1}}, QVariantMap{{"k", 1.0}}},
       {QVariantMap{{"k", "1"}}, QVariantMap{{"k", 1}}}},
      {"lists",
       {QVariantList{1, "a"}, QVariantList{"1", "a"}, QVariantList{1, "a"}},
       {QVariantList{1, "a"}, QVariantList{"1", "a"}}},
      {"empty", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QVariantList result = removeDuplicates(c.input);
    ASSERT_EQ(result.size(), c.expected.size()) << testing::PrintToString(result);
    for (qsizetype i = 0; i < result.size(); ++i) {
      EXPECT_EQ(result[i].typeId(), c.expected[i].typeId()) << i;
      EXPECT_TRUE(sameListElement(result[i], c.expected[i])) << i;
    }
  }
  EXPECT_EQ(removeDuplicates(QStringList{"b", "a", "b", "A"}), (QStringList{"b", "a", "A"}));
}

// The hashed walk must keep what testing each element against every kept one
// keeps, for a mix of kinds with many repeats.
TEST(ArrayConveniencesTest, RemoveDuplicatesMatchesTheWalk) {
  std::mt19937 random(3);
  const QVariantList pool = {"1",
                             1,
                             1.0,
                             qint64(2),
                             2.5,
                             "a",
                             "A",
                             true,
                             kNull,
                             QVariant(),
                             QVariantMap{{"k", 1}},
                             QVariantList{"x"},
                             QByteArray("1"),
                             0.0,
                             -0.0};
  QVariantList input;
  for (int i = 0; i < 500; ++i) input.append(pool[random() % pool.size()]);
  QVariantList walked;
  for (const QVariant& v : input) {
    bool kept = false;
    for (const QVariant& w : walked) kept = kept || sameListElement(v, w);
    if (!kept) walked.append(v);
  }
  const QVariantList result = removeDuplicates(input);
  ASSERT_EQ(result.size(), walked.size());
  for (qsizetype i = 0; i < result.size(); ++i) EXPECT_EQ(result[i].typeId(), walked[i].typeId()) << i;
}

TEST(ArrayConveniencesTest, ColumnOfRows) {
  const struct {
    const char* name;
    QVariantList rows;
    qint64 index;
    QVariantList expected;
  } cases[] = {
      {"column 1", {QVariantList{"a", "b"}, QVariantList{"c", "d"}}, 1, {"b", "d"}},
      {"empty receiver", {}, 1, {}},
      {"string lists", {QStringList{"a", "b"}}, 0, {"a"}},
      {"short row", {QVariantList{"a", "b"}, QVariantList{"c"}}, 1, {"b", kNull}},
      {"not a row", {QString("ab"), 5, QVariantMap{{"1", "x"}}}, 1, {kNull, kNull, kNull}},
      {"negative index", {QVariantList{"a", "b"}}, -1, {kNull}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QVariantList column = batchReturnArrayObjectAtIndex(c.rows, c.index);
    ASSERT_EQ(column.size(), c.expected.size());
    for (qsizetype i = 0; i < column.size(); ++i) {
      EXPECT_EQ(column[i].typeId(), c.expected[i].typeId()) << i;
      EXPECT_TRUE(sameListElement(column[i], c.expected[i])) << i;
    }
  }
}

TEST(ArrayConveniencesTest, ApplyingAnOperationGivesOneEntryPerElement) {
  const QVariantList strings = {"ab", "c"};
  EXPECT_EQ(resultsOfApplyingSelector(strings, "uppercaseString"), (QVariantList{"AB", "C"}));
  EXPECT_EQ(resultsOfApplyingSelector(QVariantList{"Stra\u00dfe"}, "uppercaseString"),
            (QVariantList{"STRASSE"}));

  const QVariantList records = {QVariantMap{{"number", "555"}}, QVariantMap{{"note", "x"}}};
  const QVariantList numbers = resultsOfApplyingSelector(records, "objectForKey:", QVariant("number"));
  ASSERT_EQ(numbers.size(), 2);
  EXPECT_EQ(numbers[0], QVariant("555"));
  EXPECT_TRUE(isNullMarker(numbers[1]));

  // Elements that cannot answer, and unknown operations, give null markers.
  const struct {
    const char* name;
    QVariantList receiver;
    QString selector;
    std::optional<QVariant> argument;
  } cannot[] = {
      {"number has no upper case", {5}, "uppercaseString", std::nullopt},
      {"string has no keys", {"ab"}, "objectForKey:", QVariant("a")},
      {"absent key", {QVariantMap{{"a", 1}}}, "objectForKey:", std::nullopt},
      {"unknown operation", {"ab", 1}, "reverseString", std::nullopt},
  };
  for (const auto& c : cannot) {
    SCOPED_TRACE(c.name);
    const QVariantList results = resultsOfApplyingSelector(c.receiver, c.selector, c.argument);
    ASSERT_EQ(results.size(), c.receiver.size());
    for (const QVariant& r : results) EXPECT_TRUE(isNullMarker(r));
  }

  const ElementOperation add = [](const QVariant& e,
                                  const std::optional<QVariant>& arg) -> std::optional<QVariant> {
    if (!arg) return QVariant();  // an invalid answer is absent too
    return e.toInt() + arg->toInt();
  };
  EXPECT_EQ(resultsOfApplyingSelector(QVariantList{1, 2}, add, QVariant(10)), (QVariantList{11, 12}));
  const QVariantList none = resultsOfApplyingSelector(QVariantList{1}, add);
  ASSERT_EQ(none.size(), 1);
  EXPECT_TRUE(isNullMarker(none[0]));
}

TEST(ArrayConveniencesTest, ShuffleDrawsOncePerPositionAboveZero) {
  (void)shuffle(QStringList{});  // the first call seeds; seed our own afterwards
  for (int n : {0, 1, 2, 5, 40}) {
    SCOPED_TRACE(n);
    QVariantList list;
    for (int i = 0; i < n; ++i) list.append(i);
    const long expectedNext = drawAfter(99, std::max(n - 1, 0));
    srandom(99);
    QVariantList shuffled = shuffle(list);
    EXPECT_EQ(random(), expectedNext);
    std::sort(shuffled.begin(), shuffled.end(),
              [](const QVariant& a, const QVariant& b) { return a.toInt() < b.toInt(); });
    EXPECT_EQ(shuffled, list);
  }
}

TEST(ArrayConveniencesTest, ShuffleGivesEveryPermutationAboutEqually) {
  (void)shuffle(QStringList{});
  srandom(1234);
  std::map<QString, int> seen;
  const int rounds = 6000;
  for (int i = 0; i < rounds; ++i) ++seen[shuffle(QStringList{"a", "b", "c"}).join("")];
  EXPECT_EQ(seen.size(), 6u);
  for (const auto& [order, count] : seen)
    EXPECT_NEAR(count, rounds / 6, rounds / 6 / 5) << order.toStdString();
}

TEST(ArrayConveniencesTest, SomeObjectDrawsOnceAndCoversEveryPosition) {
  (void)someObject(QStringList{});
  EXPECT_EQ(someObject(QStringList{}), std::nullopt);
  EXPECT_EQ(someObject(QStringList{"only"}), QString("only"));

  const long expectedNext = drawAfter(7, 1);
  srandom(7);
  (void)someObject(QStringList{"a", "b", "c"});
  EXPECT_EQ(random(), expectedNext);
  const long firstDraw = drawAfter(7, 0);
  srandom(7);
  (void)someObject(QStringList{});
  EXPECT_EQ(random(), firstDraw);

  srandom(42);
  const QStringList four = {"a", "b", "c", "d"};
  std::map<QString, int> seen;
  for (int i = 0; i < 4000; ++i) ++seen[*someObject(four)];
  EXPECT_EQ(seen.size(), 4u);
  for (const auto& [element, count] : seen) EXPECT_NEAR(count, 1000, 200) << element.toStdString();
}

TEST(ArrayConveniencesTest, PickPositionStaysInRange) {
  const struct {
    long draw;
    qsizetype count;
    qsizetype expected;
  } cases[] = {
      {0, 5, 0},          {2147483646, 5, 4}, {2147483647, 5, 4},
      {2147483647, 1, 0}, {1073741824, 2, 1}, {1073741823, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.draw);
    EXPECT_EQ(detail::pickPosition(c.draw, c.count), c.expected);
  }
}

}  // namespace
