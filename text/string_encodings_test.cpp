#include "text/string_encodings.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

// Random text over ASCII, Latin-1, the BMP and beyond, with surrogate pairs
// kept whole; long texts cross the decoder's internal buffer boundaries.
// An empty string with its own storage, so that "the same string" is observable.
QString allocatedEmpty() {
  QString empty;
  empty.reserve(8);
  return empty;
}

QString randomText(QRandomGenerator& random, qsizetype length) {
  QString s;
  while (s.size() < length) {
    switch (random.bounded(4)) {
      case 0:
        s += QChar(char16_t(random.bounded(0x20, 0x7F)));
        break;
      case 1:
        s += QChar(char16_t(random.bounded(0x80, 0x800)));
        break;
      case 2:
        s += QChar(char16_t(random.bounded(0x800, 0xD800)));
        break;
      default:
        s +=
            QString::fromUcs4(std::array<char32_t, 1>{char32_t(random.bounded(0x10000, 0x110000))}.data(), 1);
    }
  }
  return s;
}

TEST(StringEncodings, ConvertToBase64) {
  const struct {
    QString text, base64;
  } cases[] = {
      {u""_qs, u""_qs},
      {u"a"_qs, u"YQ=="_qs},
      {u"ab"_qs, u"YWI="_qs},
      {u"abc"_qs, u"YWJj"_qs},
      {u"abcd"_qs, u"YWJjZA=="_qs},
      {u"abcde"_qs, u"YWJjZGU="_qs},
      {u"é"_qs, u"w6k="_qs},
      {u"aé"_qs, u"YcOp"_qs},
      {u"éa"_qs, u"w6lh"_qs},
      {u"€"_qs, u"4oKs"_qs},
      {u"\U0001F600"_qs, u"8J+YgA=="_qs},
      {u"a\U0001F600bcd"_qs, u"YfCfmIBiY2Q="_qs},
      {QString(QChar(0xD800)), u"77+9"_qs},  // a lone surrogate is written as U+FFFD
      {QString(QChar(0)), u"AA=="_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(convertToBase64(c.text), c.base64);
  }
}

TEST(StringEncodings, ConvertToBase64WritesOneLineAndMatchesQt) {
  QRandomGenerator random(4648);
  for (qsizetype length : {57, 58, 76, 1000, 50'000}) {
    const QString text = randomText(random, length);
    // Long ASCII runs, cut at every offset by a character that is not ASCII.
    QString ascii(length, Qt::Uninitialized);
    for (QChar& c : ascii) c = QChar(char16_t(random.bounded(0, 0x80)));
    for (qsizetype cut = 0; cut < 40 && cut < length; ++cut) {
      QString mixed = ascii;
      mixed[cut] = u'\u00E9';
      EXPECT_EQ(convertToBase64(mixed), QString::fromLatin1(mixed.toUtf8().toBase64())) << cut;
    }
    EXPECT_EQ(convertToBase64(ascii), QString::fromLatin1(ascii.toUtf8().toBase64()));
    SCOPED_TRACE(length);
    const QString base64 = convertToBase64(text);
    EXPECT_FALSE(base64.contains(u'\n'));
    EXPECT_EQ(base64, QString::fromLatin1(text.toUtf8().toBase64()));
  }
}

TEST(StringEncodings, ConvertFromBase64) {
  const std::optional<QString> absent;
  const struct {
    QString base64;
    std::optional<QString> text;
  } cases[] = {
      {u"YQ=="_qs, u"a"_qs},
      {u"YWI="_qs, u"ab"_qs},
      {u"YWJj"_qs, u"abc"_qs},
      {u"YWJjZGU="_qs, u"abcde"_qs},
      {u"w6k="_qs, u"é"_qs},
      {u"8J+YgA=="_qs, u"\U0001F600"_qs},
      {u"===="_qs, u""_qs},
      {u"A==="_qs, u""_qs},          // one significant character makes no byte
      {u"YQ======"_qs, u"a"_qs},     // any number of trailing "=" is dropped
      {u"YQ"_qs, u"YQ"_qs},          // two characters are not a group: unchanged
      {u"QR=="_qs, u"A"_qs},         // unused low bits are ignored
      {u"YWJjYQ"_qs, u"YWJjYQ"_qs},  // six bytes: unchanged
      {u"YWJjA==="_qs, u"abc"_qs},
      {u"AA=="_qs, QString(QChar(0))},
      {u"77u/QQ=="_qs, u"\uFEFFA"_qs},  // a byte-order mark is kept
      // Bytes that are not UTF-8: 0xFF, a cut sequence, an overlong form, an
      // encoded surrogate.
      {u"/w=="_qs, absent},
      {u"ww=="_qs, absent},
      {u"wIA="_qs, absent},
      {u"7aCA"_qs, absent},
      // Characters outside the alphabet, the length a multiple of 4.
      {u"YWJj\nYWI"_qs, absent},
      {u"YW Jj"_qs.left(4), absent},
      {u"Y=Jj"_qs, absent},
      {u"YWJ\t"_qs, absent},
      {u"éAA"_qs, absent},         // four UTF-8 bytes, two outside
      {u"éAAA"_qs, u"éAAA"_qs},    // five UTF-8 bytes: unchanged
      {u"\U0001F600"_qs, absent},  // four UTF-8 bytes
      {u"\U0001F600AAAA"_qs, absent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.base64));
    EXPECT_EQ(convertFromBase64(c.base64), c.text);
  }
}

TEST(StringEncodings, ConvertFromBase64AnswersTheReceiverItselfWhenNotGroups) {
  const QString cases[] = {
      allocatedEmpty(),           QString::fromUtf8("abc"),
      QString::fromUtf8("abcde"), QString::fromUtf8("abcdef"),
      QString::fromUtf8("éAAA"),  QString(QChar(0xD800)) + u"AAA"_qs,  // no UTF-8 form
  };
  for (const QString& text : cases) {
    SCOPED_TRACE(::testing::PrintToString(text));
    const std::optional<QString> decoded = convertFromBase64(text);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->isSharedWith(text));
  }
}

TEST(StringEncodings, Base64RoundTripsRandomText) {
  QRandomGenerator random(20);
  for (int round = 0; round < 300; ++round) {
    const QString text = randomText(random, random.bounded(0, 40));
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(convertFromBase64(convertToBase64(text)), text);
  }
  for (qsizetype length : {4095, 4096, 4097, 12 * 1024 + 1, 40'000}) {
    const QString text = randomText(random, length);
    EXPECT_EQ(convertFromBase64(convertToBase64(text)), text) << length;
  }
}

TEST(StringEncodings, ConvertFromBase64AgreesWithQtOnArbitraryBytes) {
  // Any bytes: the decode answers exactly the bytes when they are UTF-8.
  QRandomGenerator random(7);
  for (int round = 0; round < 500; ++round) {
    QByteArray bytes(random.bounded(0, 30), Qt::Uninitialized);
    for (char& b : bytes) b = char(random.bounded(0, 256));
    if (round % 2) bytes = randomText(random, random.bounded(1, 10)).toUtf8() + bytes.left(2);
    const QString base64 = QString::fromLatin1(bytes.toBase64());
    QStringDecoder strict(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = strict(bytes);
    SCOPED_TRACE(bytes.toHex().toStdString());
    if (strict.hasError())
      EXPECT_EQ(convertFromBase64(base64), std::nullopt);
    else
      EXPECT_EQ(convertFromBase64(base64), text);
  }
}

TEST(StringEncodings, ConvertToHex) {
  const struct {
    QString text, hex;
  } cases[] = {
      {u"A"_qs, u"41"_qs},
      {u"é"_qs, u"E9"_qs},
      {u"€"_qs, u"20AC"_qs},
      {u"\u0100"_qs, u"100"_qs},
      {u"\u0FFF"_qs, u"FFF"_qs},
      {u"\u1000"_qs, u"1000"_qs},
      {QString(QChar(0)) + u"\n"_qs, u"000A"_qs},
      {u"\U0001F600"_qs, u"D83DDE00"_qs},
      {u"ab\u0100c"_qs, u"616210063"_qs},  // variable width: no separator
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(convertToHex(c.text), c.hex);
  }
}

TEST(StringEncodings, ConvertFromHex) {
  const struct {
    QString hex, text;
  } cases[] = {
      {u"414"_qs, u"A"_qs},  // the odd last digit is ignored
      {u"4a"_qs, u"J"_qs},
      {u"4142"_qs, u"AB"_qs},
      {u"E9"_qs, u"é"_qs},
      {u"ff"_qs, u"\u00FF"_qs},
      {u"0A"_qs, u"\n"_qs},
      {u"A"_qs, u""_qs},
      {u" 4"_qs, u"\u0004"_qs},       // leading white space is skipped
      {u"\u00A04"_qs, u"\u0004"_qs},  // a no-break space is white space too
      {u"4 "_qs, u"\u0004"_qs},       // reading stops at the first non-digit
      {u"4z"_qs, u"\u0004"_qs},
      {u"zz41"_qs, QString(QChar(0)) + u"A"_qs},  // a pair without digits counts as 0
      {u"0x"_qs, QString(QChar(0))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.hex));
    EXPECT_EQ(convertFromHex(c.hex), c.text);
  }
}

TEST(StringEncodings, EmptyReceiversComeBackThemselves) {
  const QString empty = allocatedEmpty();
  EXPECT_TRUE(convertToHex(empty).isSharedWith(empty));
  EXPECT_TRUE(convertFromHex(empty).isSharedWith(empty));
  EXPECT_TRUE(convertToBase64(empty).isSharedWith(empty));
  EXPECT_TRUE(convertFromBase64(empty)->isSharedWith(empty));
}

TEST(StringEncodings, HexRoundTripsBothWays) {
  QRandomGenerator random(16);
  for (int round = 0; round < 300; ++round) {
    QString latin1(random.bounded(0, 20), Qt::Uninitialized);
    for (QChar& c : latin1) c = QChar(char16_t(random.bounded(0, 256)));
    EXPECT_EQ(convertFromHex(convertToHex(latin1)), latin1);

    QString hex(2 * random.bounded(1, 20), Qt::Uninitialized);
    for (QChar& c : hex) c = QChar(char16_t(u"0123456789abcdefABCDEF"[random.bounded(0, 22)]));
    EXPECT_EQ(convertToHex(convertFromHex(hex)), hex.toUpper());
  }
}

TEST(StringEncodings, Checksum) {
  EXPECT_EQ(checksum(u""_qs), 0u);
  EXPECT_EQ(checksum(u"abc"_qs), 294u);
  EXPECT_EQ(checksum(u"\uFFFF\uFFFF"_qs), 131070u);  // units, not bytes
  EXPECT_EQ(checksum(u"é"_qs), 0xE9u);
}

TEST(StringEncodings, FourCharCodes) {
  EXPECT_EQ(stringWithFourCharCode(0x54455854), u"'TEXT'"_qs);
  EXPECT_EQ(fourCharCode(u"'TEXT'"_qs), 0x54455854u);
  for (const QString& notACode : {u"TEXT"_qs, u"'TEX'"_qs, u"'TEXTS'"_qs, u"'TE\u20ACT'"_qs, u""_qs})
    EXPECT_EQ(fourCharCode(notACode), 0u) << notACode.toStdString();

  QRandomGenerator random(32);
  std::vector<quint32> codes{0, 1, 0xFFFFFFFF, 0x27272727, 0x80000000, 0x0A0D0900};
  for (int i = 0; i < 1000; ++i) codes.push_back(random.generate());
  for (quint32 code : codes) {
    const QString text = stringWithFourCharCode(code);
    ASSERT_EQ(text.size(), 6);
    EXPECT_EQ(fourCharCode(text), code) << std::hex << code;
  }
}

TEST(StringEncodings, UuidStringIsNewUpperCaseAndCanonical) {
  const QRegularExpression form(u"^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"_qs);
  const QString first = uuidString();
  const QString second = uuidString();
  EXPECT_NE(first, second);
  EXPECT_TRUE(form.match(first).hasMatch()) << first.toStdString();
  EXPECT_TRUE(form.match(second).hasMatch()) << second.toStdString();
}

}  // namespace
