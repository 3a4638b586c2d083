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

}  // namespace
