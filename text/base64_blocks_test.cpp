#include "text/base64_blocks.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QString>
#include <vector>

using namespace base64blocks;

namespace {

// The characters every encoder writes for `bytes` (whole groups only).
std::u16string encoded(Encoder encoder, const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> padded = bytes;
  padded.resize(bytes.size() + kReadSlack, 0xA5);  // slack the encoder may read but must not use
  std::u16string out(bytes.size() / 3 * 4, u'?');
  encodeGroups(encoder, padded.data(), qsizetype(bytes.size() / 3), out.data());
  return out;
}

// The UTF-8 of `text`, a lone surrogate written as U+FFFD.
QByteArray expectedUtf8(const QString& text) {
  QString cleaned;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      cleaned += c;
      cleaned += text[++i];
    } else {
      cleaned += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
    }
  }
  return cleaned.toUtf8();
}

// Mostly ASCII runs (long enough for the vector steps) with characters of
// every UTF-8 length and lone surrogates among them.
QString randomText(QRandomGenerator& random, qsizetype length) {
  QString s;
  while (s.size() < length) {
    switch (random.bounded(8)) {
      case 0:
        s += QChar(char16_t(random.bounded(0x80, 0x800)));
        break;
      case 1:
        s += QChar(char16_t(random.bounded(0x800, 0xD800)));
        break;
      case 2:
        s += QChar(char16_t(random.bounded(0x10000, 0x110000) - 0x10000) >> 10 | 0xD800);
        if (random.bounded(4) != 0) s += QChar(char16_t(0xDC00 | random.bounded(0x400)));
        break;
      case 3:
        s += QChar(char16_t(random.bounded(0xDC00, 0xE000)));  // a low surrogate alone
        break;
      default:
        for (int k = random.bounded(1, 40); k > 0; --k) s += QChar(char16_t(random.bounded(0, 0x80)));
    }
  }
  return s;
}

}  // namespace

TEST(Base64Blocks, EveryEncoderAgreesWithThePortableOne) {
  QRandomGenerator random(11);
  for (Encoder encoder : {Encoder::Ssse3, Encoder::Avx512Vbmi}) {
    if (!isAvailable(encoder)) continue;
    for (qsizetype groups : {0, 1, 3, 4, 5, 15, 16, 17, 20, 31, 32, 33, 47, 48, 64, 100, 1000}) {
      std::vector<std::uint8_t> bytes(size_t(groups * 3));
      for (std::uint8_t& b : bytes) b = std::uint8_t(random.bounded(256));
      SCOPED_TRACE(::testing::Message() << "encoder " << int(encoder) << ", " << groups << " groups");
      EXPECT_EQ(encoded(encoder, bytes), encoded(Encoder::Portable, bytes));
    }
  }
}

TEST(Base64Blocks, PortableEncoderWritesTheAlphabet) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::u16string base64;
  } cases[] = {
      {{'a', 'b', 'c'}, u"YWJj"},
      {{0, 0, 0}, u"AAAA"},
      {{0xFF, 0xFF, 0xFF}, u"////"},
      {{0xFB, 0xEF, 0xBE, 0x00, 0x10, 0x83}, u"++++ABCD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.base64));
    EXPECT_EQ(encoded(Encoder::Portable, c.bytes), c.base64);
    EXPECT_EQ(encoded(fastestEncoder(), c.bytes), c.base64);
  }
}

TEST(Base64Blocks, WriteUtf8FillsBuffersWithWholeCharacters) {
  QRandomGenerator random(12);
  for (int round = 0; round < 300; ++round) {
    const QString text = randomText(random, random.bounded(0, 200));
    const qsizetype room = random.bounded(4, 64);
    SCOPED_TRACE(::testing::Message() << "round " << round << ", room " << room);
    QByteArray written;
    std::vector<std::uint8_t> buffer(static_cast<size_t>(room));
    for (qsizetype at = 0; at < text.size();) {
      const qsizetype before = at;
      const qsizetype bytes = writeUtf8(text, &at, buffer.data(), room);
      ASSERT_LE(bytes, room);
      ASSERT_GT(at, before);  // room for four bytes always takes a character
      written.append(reinterpret_cast<const char*>(buffer.data()), bytes);
    }
    EXPECT_EQ(written, expectedUtf8(text));
  }
}
