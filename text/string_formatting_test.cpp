#include "text/string_formatting.h"

#include <gtest/gtest.h>

#include <limits>

#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

TEST(StringFormatting, OrdinalStringForInt) {
  const struct {
    qint64 value;
    QString text;
  } cases[] = {
      {0, u"0"_qs},
      {1, u"1st"_qs},
      {2, u"2nd"_qs},
      {3, u"3rd"_qs},
      {4, u"4th"_qs},
      {10, u"10th"_qs},
      {11, u"11th"_qs},
      {12, u"12th"_qs},
      {13, u"13th"_qs},
      {14, u"14th"_qs},
      {21, u"21st"_qs},
      {22, u"22nd"_qs},
      {23, u"23rd"_qs},
      {101, u"101st"_qs},
      {111, u"111st"_qs},  // only 11, 12 and 13 themselves are teens
      {112, u"112nd"_qs},
      {113, u"113rd"_qs},
      {211, u"211st"_qs},
      {-1, u"-1st"_qs},
      {-3, u"-3rd"_qs},
      {-11, u"-11th"_qs},
      {-12, u"-12th"_qs},
      {-13, u"-13th"_qs},
      {-21, u"-21st"_qs},
      {std::numeric_limits<qint64>::max(), u"9223372036854775807th"_qs},
      {std::numeric_limits<qint64>::min(), u"-9223372036854775808th"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ordinalStringForInt(c.value), c.text);
  }
}

TEST(StringFormatting, PluralStringForCount) {
  const std::optional<QString> none;
  const struct {
    quint64 count;
    std::optional<QString> zero, one;
    QString expected;
  } cases[] = {
      {0, u"no calls"_qs, u"one call"_qs, u"no calls"_qs},
      {0, none, u"one call"_qs, u"calls"_qs},
      {0, u""_qs, none, u""_qs},  // an empty text is given all the same
      {1, u"no calls"_qs, u"one call"_qs, u"one call"_qs},
      {1, u"no calls"_qs, none, u"calls"_qs},
      {2, u"no calls"_qs, u"one call"_qs, u"calls"_qs},
      {std::numeric_limits<quint64>::max(), u"no calls"_qs, u"one call"_qs, u"calls"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    EXPECT_EQ(pluralStringForCount(c.count, c.zero, c.one, u"calls"_qs), c.expected);
  }
}

TEST(StringFormatting, StringForBool) {
  EXPECT_EQ(stringForBool(true), u"YES"_qs);
  EXPECT_EQ(stringForBool(false), u"NO"_qs);
}

TEST(StringFormatting, ColorReadsThreeOrFourComponents) {
  const struct {
    QString text;
    float red, green, blue, alpha;
  } cases[] = {
      {u"255 128 0"_qs, 1.0f, 128.0f / 255, 0.0f, 1.0f},
      {u"0.5 0.5 0.5 0.25"_qs, 0.5f, 0.5f, 0.5f, 0.25f},
      {u"1 1 1"_qs, 1.0f, 1.0f, 1.0f, 1.0f},  // 1 is not above 1: no division
      {u"10 20 30 0.5"_qs, 10.0f / 255, 20.0f / 255, 30.0f / 255, 0.5f},
      {u"0 0 0 0"_qs, 0.0f, 0.0f, 0.0f, 0.0f},
      // Two spaces make five pieces: three numbers are read, alpha stays 1.
      {u"1 2  3 4"_qs, 1.0f, 2.0f / 255, 3.0f / 255, 1.0f},
      // Tabs are not counted as separators, but reading skips them.
      {u"0.2\t0.4\t0.6\t0.8"_qs, 0.2f, 0.4f, 0.6f, 1.0f},
      {u" 0.2  0.4 0.6"_qs, 0.2f, 0.4f, 0.6f, 1.0f},
      {u"0.5 x 1"_qs, 0.5f, 0.0f, 0.0f, 1.0f},  // reading stops at the first unreadable text
      {u""_qs, 0.0f, 0.0f, 0.0f, 1.0f},
      {u"red green blue"_qs, 0.0f, 0.0f, 0.0f, 1.0f},
      {u"nan 0.5 nan 0.5"_qs, 0.0f, 0.5f, 0.0f, 0.5f},  // NaN counts as unread
      {u"0.25 0.5 0.75 nan"_qs, 0.25f, 0.5f, 0.75f, 1.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const QColor colour = color(c.text);
    ASSERT_TRUE(colour.isValid());
    EXPECT_NEAR(colour.redF(), c.red, 1e-4);
    EXPECT_NEAR(colour.greenF(), c.green, 1e-4);
    EXPECT_NEAR(colour.blueF(), c.blue, 1e-4);
    EXPECT_NEAR(colour.alphaF(), c.alpha, 1e-4);
  }
}

TEST(StringFormatting, ColorWithAlphaOutsideZeroToOneIsInvalidAndSilent) {
  testsupport::LogCapture log;
  for (const QString& text : {u"255 0 0 128"_qs, u"0 0 0 -0.5"_qs}) {
    SCOPED_TRACE(text.toStdString());
    EXPECT_FALSE(color(text).isValid());
  }
  EXPECT_TRUE(log.lines().isEmpty());
}

TEST(StringFormatting, LogWritesTheReceiverAsData) {
  testsupport::LogCapture log;
  Tirr_NSStringAdditions::log(u"100% %@ %s \u00E9"_qs);
  Tirr_NSStringAdditions::log(u""_qs);
  EXPECT_EQ(log.lines(), (QStringList{u"100% %@ %s \u00E9"_qs, u""_qs}));
}

TEST(StringFormatting, DumpASCIIFramesTheTextAndListsItsCodeUnits) {
  const QString rule = u"\n---------------------------------------\n"_qs;
  const struct {
    QString text, dump;
  } cases[] = {
      {u"AB"_qs, u"\nAB"_qs + rule + u"6566"_qs},
      {u""_qs, u"\n"_qs + rule},
      {u"%@\t"_qs, u"\n%@\t"_qs + rule + u"37649"_qs},
      {u"\u00E9\U0001F600"_qs, u"\n\u00E9\U0001F600"_qs + rule + u"2335535756832"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    testsupport::LogCapture log;
    dumpASCII(c.text);
    EXPECT_EQ(log.lines(), QStringList{c.dump});
  }
}

}  // namespace
