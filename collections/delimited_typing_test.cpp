#include "collections/delimited_typing.h"

#include <gtest/gtest.h>

#include <QString>
#include <limits>

#include "collections/delimited_file.h"
#include "testsupport/qt_printers.h"

namespace {

QVariant integer(qint64 v) { return QVariant::fromValue(v); }
QVariant real(float v) { return QVariant::fromValue(v); }
QVariant text(const QString& v) { return QVariant(v); }

TEST(DelimitedTyping, RulesInOrder) {
  const struct {
    QString cell;
    QVariant typed;
  } cases[] = {
      {u""_qs, text(u""_qs)},
      {u" "_qs, text(u" "_qs)},
      {u"-"_qs, text(u"-"_qs)},
      {u"."_qs, text(u"."_qs)},
      {u"5551234"_qs, integer(5551234)},
      {u"0049"_qs, integer(49)},
      {u"0800123456"_qs, integer(800123456)},
      {u"555-1234"_qs, integer(555)},
      {u"1-2"_qs, integer(1)},
      {u"--5"_qs, integer(0)},
      {u"-5"_qs, integer(-5)},
      {u"1"_qs, integer(1)},
      {u"0"_qs, integer(0)},
      {u"99999999999999999999"_qs, integer(std::numeric_limits<qint64>::max())},
      {u"-99999999999999999999"_qs, integer(std::numeric_limits<qint64>::min())},
      {u"555.123.4567"_qs, real(555.123f)},
      {u"12.0"_qs, real(12.0f)},
      {u"-.5"_qs, real(-0.5f)},
      {u"1.2.3"_qs, real(1.2f)},
      {u".."_qs, real(0.0f)},
      {u"1.5"_qs, real(1.5f)},
      {u"+15"_qs, text(u"+15"_qs)},
      {u"(555) 123-4567"_qs, text(u"(555) 123-4567"_qs)},
      {u"555 1234"_qs, text(u"555 1234"_qs)},
      {u"1e5"_qs, text(u"1e5"_qs)},
      {u"\u0661\u0662"_qs, text(u"\u0661\u0662"_qs)},  // Arabic-Indic digits are no digits here
      {u"y"_qs, QVariant(true)},
      {u"YES"_qs, QVariant(true)},
      {u"Yes"_qs, QVariant(true)},
      {u"t"_qs, QVariant(true)},
      {u"True"_qs, QVariant(true)},
      {u"T"_qs, QVariant(true)},
      {u"n"_qs, QVariant(false)},
      {u"No"_qs, QVariant(false)},
      {u"F"_qs, QVariant(false)},
      {u"false"_qs, QVariant(false)},
      {u"FALSE"_qs, QVariant(false)},
      {u"on"_qs, text(u"on"_qs)},
      {u"off"_qs, text(u"off"_qs)},
      {u"yes "_qs, text(u"yes "_qs)},
      {u"\uFF59es"_qs, text(u"\uFF59es"_qs)},  // fullwidth y
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.cell));
    const QVariant typed = typedDelimitedValue(c.cell);
    EXPECT_EQ(typed.metaType(), c.typed.metaType());
    EXPECT_EQ(typed, c.typed);
    const QVariant fromView = typedDelimitedCell(c.cell);
    EXPECT_EQ(fromView.metaType(), c.typed.metaType());
    EXPECT_EQ(fromView, c.typed);
  }
}

TEST(DelimitedTyping, TextCellsShareTheFieldString) {
  const QString field = QString::fromUtf8("Smith, John");
  EXPECT_TRUE(typedDelimitedValue(field).toString().isSharedWith(field));
}

// The words are matched with an ASCII-only case comparison. That equals
// comparing the lower-cased text only if no other character lower-cases to a
// letter of a true or false word; check that over the whole BMP.
TEST(DelimitedTyping, NoOtherCharacterLowerCasesIntoAWordLetter) {
  const QString wordLetters = u"yestruenofal"_qs;
  for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
    if (QChar::isSurrogate(c)) continue;
    const QString lower = QString(QChar(char16_t(c))).toLower();
    for (QChar l : lower) ASSERT_FALSE(wordLetters.contains(l)) << std::hex << unsigned(c);
  }
}

}  // namespace
