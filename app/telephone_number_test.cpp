#include "app/telephone_number.h"

#include <gtest/gtest.h>

#include "testsupport/qt_printers.h"

namespace {

TEST(TelephoneNumber, DialsExactlyTheDigitsShown) {
  const struct {
    QString shown;
    QString uri;     // empty when refused
    QString keypad;  // with ";ext=" for an extension
  } cases[] = {
      {QStringLiteral("555 1234"), QStringLiteral("tel:5551234"), QStringLiteral("5551234")},
      {QStringLiteral(" +1 (555) 123-4567 "), QStringLiteral("tel:+1(555)123-4567"),
       QStringLiteral("+15551234567")},
      {QStringLiteral("555.123.4567"), QStringLiteral("tel:555.123.4567"), QStringLiteral("5551234567")},
      {QStringLiteral("*31#555"), QStringLiteral("tel:*31%23555"), QStringLiteral("*31#555")},
      {QStringLiteral("+49 30 123 ext. 21"), QStringLiteral("tel:+4930123;ext=21"),
       QStringLiteral("+4930123;ext=21")},
      {QStringLiteral("555-0100 Ext 7"), QStringLiteral("tel:555-0100;ext=7"),
       QStringLiteral("5550100;ext=7")},
      {QStringLiteral("555 0100 x21"), QStringLiteral("tel:5550100;ext=21"),
       QStringLiteral("5550100;ext=21")},
      {QStringLiteral("555 0100, X 21"), QStringLiteral("tel:5550100;ext=21"),
       QStringLiteral("5550100;ext=21")},
      {QStringLiteral("5550100;ext=21"), QStringLiteral("tel:5550100;ext=21"),
       QStringLiteral("5550100;ext=21")},
      // Any decimal digit is its ASCII digit; full-width signs are their ASCII forms.
      {QStringLiteral("𝟟𝟘𝟙"), QStringLiteral("tel:701"), QStringLiteral("701")},
      {QStringLiteral("٠١٢ ٣٤٥"), QStringLiteral("tel:012345"), QStringLiteral("012345")},
      {QStringLiteral("۰۹۱۲"), QStringLiteral("tel:0912"), QStringLiteral("0912")},
      {QStringLiteral("＋４９　３０"), QStringLiteral("tel:+4930"), QStringLiteral("+4930")},
      // Invisible format characters neither hide nor reorder a digit.
      {QStringLiteral("\u202E5550107"), QStringLiteral("tel:5550107"), QStringLiteral("5550107")},
      {QStringLiteral("555\u200B0107\u2066"), QStringLiteral("tel:5550107"), QStringLiteral("5550107")},
      // Not telephone numbers.
      {QStringLiteral("0800-CALL-NOW"), {}, {}},
      {QStringLiteral("555 1234; rm -rf /"), {}, {}},
      {QStringLiteral("$(touch pwned)"), {}, {}},
      {QStringLiteral("555 \"1234\""), {}, {}},
      {QStringLiteral("555-0100 / 555-0101"), {}, {}},
      {QStringLiteral("555-0100, 555-0101"), {}, {}},
      {QStringLiteral("555-0100\n555-0101"), {}, {}},
      {QStringLiteral("1+2"), {}, {}},
      {QStringLiteral("5550100;ext="), {}, {}},
      {QStringLiteral("5550100 ext 21 x"), {}, {}},
      {QStringLiteral("call me"), {}, {}},
      {QStringLiteral("   "), {}, {}},
      {QStringLiteral("+"), {}, {}},
      {QStringLiteral("(-)"), {}, {}},
      {QStringLiteral("555א0100"), {}, {}},
      {QString(65, u'5'), {}, {}},
      {QString(100 * 1024, u'5'), {}, {}},
      {QString(100 * 1024, u' ') + QStringLiteral("5"), {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown.left(80).toStdString());
    QString problem;
    const std::optional<TelephoneNumber> number = readTelephoneNumber(c.shown, &problem);
    EXPECT_EQ(number ? number->telUri().toString(QUrl::FullyEncoded) : QString(), c.uri);
    EXPECT_EQ(number ? number->keypadWithExtension() : QString(), c.keypad);
    EXPECT_EQ(problem.isEmpty(), number.has_value());
    EXPECT_LT(problem.size(), 300) << "a message names the text, shortened";
  }
}

TEST(TelephoneNumber, RefusalNamesTheExactText) {
  const struct {
    QString shown;
    QString problem;
  } cases[] = {
      {QStringLiteral("0800-CALL-NOW"),
       QStringLiteral("“0800-CALL-NOW” is not a telephone number: it holds “CALL”.")},
      {QStringLiteral("555 $HOME"),
       QStringLiteral("“555 $HOME” is not a telephone number: it holds “$HOME”.")},
      {QStringLiteral("1+2"),
       QStringLiteral("“1+2” is not a telephone number: “+” may only stand at its start.")},
      {QStringLiteral("\u202Eabc5"),
       QStringLiteral("“[U+202E]abc5” is not a telephone number: it holds “abc”.")},
      {QStringLiteral("+"), QStringLiteral("“+” holds no digits to dial.")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown.toStdString());
    QString problem;
    EXPECT_FALSE(readTelephoneNumber(c.shown, &problem));
    EXPECT_EQ(problem, c.problem);
  }
}

TEST(TelephoneNumber, WrittenFormKeepsTheLayoutWithAsciiDigits) {
  const std::optional<TelephoneNumber> number =
      readTelephoneNumber(QStringLiteral("\u200E ٥٥٥ (01) 23 ext. 4 "), nullptr);
  ASSERT_TRUE(number);
  EXPECT_EQ(number->written, QStringLiteral("555 (01) 23 ext. 4"));
  EXPECT_EQ(number->visual, QStringLiteral("555(01)23"));
  EXPECT_EQ(number->extension, QStringLiteral("4"));
}

TEST(TelephoneNumber, InvisibleCharactersAreShownVisibly) {
  const struct {
    QString text;
    QString shown;
  } cases[] = {
      {QStringLiteral("5550107"), QStringLiteral("5550107")},
      {QStringLiteral("\u202E5550107"), QStringLiteral("[U+202E]5550107")},
      {QStringLiteral("555\u200B01\u2067x\u2069"), QStringLiteral("555[U+200B]01[U+2067]x[U+2069]")},
      {QStringLiteral("a\tb\u2028c"), QStringLiteral("a[U+0009]b[U+2028]c")},
      {QString::fromUcs4(U"\U000E0001𝟟"), QString::fromUcs4(U"[U+E0001]𝟟")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(visibleNumberText(c.text), c.shown);
  }
  EXPECT_EQ(quotedNumberForMessage(QString(100 * 1024, u'5'), 10), QStringLiteral("5555555555…"));
  EXPECT_EQ(quotedNumberForMessage(QStringLiteral("12345678𝟟"), 9), QStringLiteral("12345678…"));
}

}  // namespace
