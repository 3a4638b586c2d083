#include "text/string_numbers.h"

#include <gtest/gtest.h>

#include <QString>
#include <QVariant>
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

namespace {

using namespace Tirr_NSStringAdditions;

constexpr qint64 kSMax = std::numeric_limits<qint64>::max();
constexpr qint64 kSMin = std::numeric_limits<qint64>::min();
constexpr quint64 kUMax = std::numeric_limits<quint64>::max();

TEST(StringNumbers, SignedParsersReadAsStrtoll) {
  const struct {
    QString text;
    qint64 value;
    bool ok;
  } cases[] = {
      {u"42"_qs, 42, true},
      {u" -7"_qs, -7, true},
      {u"12abc"_qs, 12, true},
      {u"+5"_qs, 5, true},
      {u"007"_qs, 7, true},
      {u"1.5"_qs, 1, true},
      {u"0x10"_qs, 0, true},
      {u"\t\n\v\f\r 3"_qs, 3, true},
      {u"3\0"
       "4"_qs,
       3, true},
      {u"9223372036854775807"_qs, kSMax, true},
      {u"-9223372036854775808"_qs, kSMin, true},
      {u"9223372036854775808"_qs, kSMax, false},
      {u"-9223372036854775809"_qs, kSMin, false},
      {u"18446744073709551616"_qs, kSMax, false},
      {u"99999999999999999999999999"_qs, kSMax, false},
      {u"-99999999999999999999999999"_qs, kSMin, false},
      {u"00000000000000000000000000009223372036854775807"_qs, kSMax, true},
      {u"abc"_qs, 0, false},
      {u""_qs, 0, false},
      {u"-"_qs, 0, false},
      {u"+-1"_qs, 0, false},
      {u" "_qs, 0, false},
      {u"\u00A03"_qs, 0, false},       // no-break space is not C white space
      {u"\uFF11\uFF12"_qs, 0, false},  // nor are full-width digits digits
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text.toStdString()));
    for (auto parse : {parseIntoSInt64, parseIntoNSInteger}) {
      qint64 value = 99;
      EXPECT_EQ(parse(c.text, &value), c.ok);
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(parse(c.text, nullptr), c.ok);
    }
  }
}

TEST(StringNumbers, UnsignedParsersReadAsStrtoull) {
  const struct {
    QString text;
    quint64 value;
    bool ok;
  } cases[] = {
      {u"42"_qs, 42, true},
      {u"18446744073709551615"_qs, kUMax, true},
      {u"18446744073709551616"_qs, kUMax, false},
      {u"99999999999999999999999999"_qs, kUMax, false},
      // A '-' negates modulo 2^64, with success.
      {u"-1"_qs, kUMax, true},
      {u"-18446744073709551615"_qs, 1, true},
      {u"-18446744073709551616"_qs, kUMax, false},
      {u" +9x"_qs, 9, true},
      {u"abc"_qs, 0, false},
      {u""_qs, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text.toStdString()));
    for (auto parse : {parseIntoUInt64, parseIntoNSUInteger}) {
      quint64 value = 99;
      EXPECT_EQ(parse(c.text, &value), c.ok);
      EXPECT_EQ(value, c.value);
      EXPECT_EQ(parse(c.text, nullptr), c.ok);
    }
  }
}

TEST(StringNumbers, ParseIntoNumberOfTypeKeepsTheKind) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const struct {
    QString text;
    char type;
    QVariant number;
  } cases[] = {
      {u"300"_qs, 'C', QVariant::fromValue(uchar(44))},
      {u"200"_qs, 'c', QVariant::fromValue(static_cast<signed char>(-56))},
      {u"-1"_qs, 'C', QVariant::fromValue(uchar(255))},
      {u"70000"_qs, 's', QVariant::fromValue(short(4464))},
      {u"40000"_qs, 's', QVariant::fromValue(short(-25536))},
      {u"-1"_qs, 'S', QVariant::fromValue(ushort(65535))},
      {u"7"_qs, 'i', QVariant::fromValue(qint64(7))},
      {u"7"_qs, 'b', QVariant::fromValue(qint64(7))},
      {u"2147483648"_qs, 'i', QVariant::fromValue(qint64(-2147483648LL))},
      {u"4294967297"_qs, 'i', QVariant::fromValue(qint64(1))},
      {u"99999999999999999999"_qs, 'i', QVariant::fromValue(qint64(-1))},  // saturated, then cut
      {u"-1"_qs, 'I', QVariant::fromValue(uint(4294967295U))},
      {u"99999999999999999999"_qs, 'l', QVariant::fromValue(long(kSMax))},
      {u"-1"_qs, 'L', QVariant::fromValue(ulong(kUMax))},
      {u"-99999999999999999999"_qs, 'q', QVariant::fromValue(kSMin)},
      {u"18446744073709551615"_qs, 'Q', QVariant::fromValue(quint64(kSMax))},
      {u"-1"_qs, 'Q', QVariant::fromValue(kUMax)},
      {u" 12abc"_qs, 'q', QVariant::fromValue(qint64(12))},
      {u"abc"_qs, 'c', QVariant::fromValue(static_cast<signed char>(0))},
      {u"1.5x"_qs, 'f', QVariant::fromValue(1.5f)},
      {u"0.1"_qs, 'f', QVariant::fromValue(0.1f)},
      {u"1e39"_qs, 'f', QVariant::fromValue(kInf)},
      {u"-1e39"_qs, 'f', QVariant::fromValue(-kInf)},
      {u"3.4028235e38"_qs, 'f', QVariant::fromValue(std::numeric_limits<float>::max())},
      {u" 2.5e3"_qs, 'd', QVariant::fromValue(2500.0)},
      {u"1,5"_qs, 'd', QVariant::fromValue(1.0)},
      {u"0x1p3"_qs, 'd', QVariant::fromValue(8.0)},
      {u"1e400"_qs, 'd', QVariant::fromValue(std::numeric_limits<double>::infinity())},
      {u""_qs, 'd', QVariant::fromValue(0.0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + " as " + c.type);
    const std::optional<QVariant> number = parseIntoNumberOfType(c.text, c.type);
    ASSERT_TRUE(number.has_value());
    EXPECT_EQ(number->metaType(), c.number.metaType());
    EXPECT_EQ(*number, c.number);
  }
  for (const char unknown : {'B', 'x', '\0', 'Z'}) {
    SCOPED_TRACE(int(unknown));
    EXPECT_EQ(parseIntoNumberOfType(u"1"_qs, quint8(unknown)), std::nullopt);
  }
}

}  // namespace
