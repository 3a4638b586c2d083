#include "collections/list_elements.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <QVariantMap>
#include <cmath>

#include "testsupport/qt_printers.h"

namespace {

QVariantList pool() {
  const qint64 big = qint64(1) << 53;
  return {QVariant(),
          QVariant::fromValue(nullptr),
          false,
          true,
          qint64(-5),
          -4.5,
          0,
          -0.0,
          0.0f,
          1,
          qint64(1),
          1.0,
          big,
          double(big),
          big + 1,
          quint64(~0ULL),
          18446744073709551616.0,
          std::nan(""),
          "",
          "1",
          "a",
          "A",
          QByteArray("1"),
          QVariantList{1},
          QVariantList{"1"},
          QVariantMap{{"k", 1}},
          QVariantMap{{"k", 1.0}},
          QDateTime::fromMSecsSinceEpoch(0, Qt::UTC)};
}

// Element order and equality must be consistent with each other and with the
// hash, or ordered insertion and hashed duplicate removal go wrong.
TEST(ListElementsTest, OrderEqualityAndHashAgree) {
  const QVariantList values = pool();
  for (const QVariant& a : values)
    for (const QVariant& b : values) {
      SCOPED_TRACE(testing::PrintToString(a) + " / " + testing::PrintToString(b));
      const int ab = compareListElements(a, b);
      ASSERT_EQ(ab, -compareListElements(b, a));
      ASSERT_EQ(sameListElement(a, b), sameListElement(b, a));
      if (sameListElement(a, b)) {
        EXPECT_EQ(listElementHash(a), listElementHash(b));
        EXPECT_EQ(ab, 0);
      }
      for (const QVariant& c : values) {
        if (ab > 0 || compareListElements(b, c) > 0) continue;
        ASSERT_LE(compareListElements(a, c), 0);
      }
    }
}

TEST(ListElementsTest, EqualityByKind) {
  const qint64 big = qint64(1) << 53;
  const struct {
    const char* name;
    QVariant a, b;
    bool same;
  } cases[] = {
      {"text and number", "1", 1, false},
      {"integer and double", 1, 1.0, true},
      {"signed and unsigned", qint64(7), quint64(7), true},
      {"2^53 + 1 is not 2^53 as a double", big + 1, double(big), false},
      {"-0 and +0", -0.0, 0, true},
      {"boolean and number", true, 1, false},
      {"case", "a", "A", false},
      {"bytes and text", QByteArray("a"), "a", false},
      {"nested kinds", QVariantMap{{"k", "1"}}, QVariantMap{{"k", 1}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(sameListElement(c.a, c.b), c.same);
  }
}

TEST(ListElementsTest, NumbersOrderExactly) {
  const qint64 big = qint64(1) << 53;
  EXPECT_EQ(compareListElements(big + 1, double(big)), 1);
  EXPECT_EQ(compareListElements(quint64(~0ULL), qint64(-1)), 1);
  EXPECT_EQ(compareListElements(quint64(~0ULL), 18446744073709551616.0), -1);
  EXPECT_EQ(compareListElements(qint64(-3), -2.5), -1);
  EXPECT_EQ(compareListElements(2, std::nan("")), -1);
}

}  // namespace
