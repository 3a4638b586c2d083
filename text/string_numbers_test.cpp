#include "text/string_numbers.h"

#include <gtest/gtest.h>

#include <QString>
#include <limits>

namespace {

TEST(StringNumbers, IntegerValueReadsTheLeadingInteger) {
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  constexpr qint64 kMin = std::numeric_limits<qint64>::min();
  const struct {
    QString text;
    qint64 value;
  } cases[] = {
      {u"0049"_qs, 49},
      {u"555-1234"_qs, 555},
      {u"1-2"_qs, 1},
      {u"--5"_qs, 0},
      {u"-5"_qs, -5},
      {u"-"_qs, 0},
      {u""_qs, 0},
      {u" +7x"_qs, 7},
      {u"9223372036854775807"_qs, kMax},
      {u"9223372036854775808"_qs, kMax},
      {u"-9223372036854775808"_qs, kMin},
      {u"-9223372036854775809"_qs, kMin},
      {u"99999999999999999999999999"_qs, kMax},
      {u"00000000000000000000000000012"_qs, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(integerValue(c.text), c.value);
  }
}

TEST(StringNumbers, FloatValueRoundsOnceToSinglePrecision) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const struct {
    QString text;
    float value;
  } cases[] = {
      {u"555.123.4567"_qs, 555.123f},
      {u"12.0"_qs, 12.0f},
      {u"-.5"_qs, -0.5f},
      {u"1.2.3"_qs, 1.2f},
      {u"."_qs, 0.0f},
      {u"-."_qs, 0.0f},
      {u"5."_qs, 5.0f},
      {u"--5"_qs, 0.0f},
      {u"+2.5e2x"_qs, 250.0f},
      {u"16777217"_qs, 16777216.0f},
      // Just above halfway between 1 and the next float: rounding through
      // double first would land on 1.
      {u"1.00000005960464477539062500000001"_qs, 1.00000011920928955078125f},
      {u"1e39"_qs, kInf},
      {u"-1e39"_qs, -kInf},
      {u"1e-60"_qs, 0.0f},
      {QString(200, u'9'), kInf},
      {u"0."_qs + QString(100, u'0') + u"1"_qs, 0.0f},
      {QString(1000, u'0') + u"1.5"_qs, 1.5f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.left(40).toStdString());
    EXPECT_EQ(floatValue(c.text), c.value);
  }
}

}  // namespace
