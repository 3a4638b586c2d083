#include "text/string_encodings.h"

#include <QUuid>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/base64_blocks.h"
#include "text/character_sets.h"
#include "text/huge_pages.h"
#include "text/string_core.h"
#include "text/utf8_units.h"

namespace Tirr_NSStringAdditions {

namespace {

// Entry i is the character of the 6-bit value i.
constexpr char base64EncodingTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of every byte value; -1 for the bytes outside the alphabet,
// "=" included.
const std::array<std::int8_t, 256>& base64DecodingTable() {
  static const std::array<std::int8_t, 256> table = [] {
    std::array<std::int8_t, 256> t;
    t.fill(-1);
    for (int i = 0; i < 64; ++i) t[std::uint8_t(base64EncodingTable[i])] = std::int8_t(i);
    return t;
  }();
  return table;
}

// Reads UTF-8 bytes strictly, one at a time, into UTF-16: overlong forms,
// encoded surrogates, values beyond U+10FFFF and cut sequences are errors.
// The bounds of the next continuation byte carry the rules of the lead byte.
class StrictUtf8Writer {
 public:
  explicit StrictUtf8Writer(char16_t* out) : out_(out) {}

  // Writes bytes known to be ASCII while no sequence is open.
  bool canTakeAscii() const { return need_ == 0; }
  void putAscii(std::uint8_t b) { *out_++ = b; }

  bool put(std::uint8_t b) {
    if (need_ == 0) {
      if (b < 0x80) {
        *out_++ = b;
        return true;
      }
      if (b < 0xC2 || b > 0xF4) return false;
      need_ = b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
      value_ = b & (0x3F >> need_);
      low_ = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
      high_ = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
      return true;
    }
    if (b < low_ || b > high_) return false;
    value_ = value_ << 6 | (b & 0x3F);
    low_ = 0x80;
    high_ = 0xBF;
    if (--need_ == 0) {
      if (value_ < 0x10000) {
        *out_++ = char16_t(value_);
      } else {
        *out_++ = QChar::highSurrogate(value_);
        *out_++ = QChar::lowSurrogate(value_);
      }
    }
    return true;
  }
  bool complete() const { return need_ == 0; }
  char16_t* end() const { return out_; }

 private:
  char16_t* out_;
  int need_ = 0;
  char32_t value_ = 0;
  std::uint8_t low_ = 0x80, high_ = 0xBF;
};

enum class Base64Outcome { Decoded, OutsideAlphabet, NotUtf8 };

// Decodes `text`, whose length is a multiple of 4, into `*result`. The bytes
// go straight into the result's UTF-16, so the result is the only allocation.
Base64Outcome decodeBase64(QStringView text, QString* result) {
  const auto& table = base64DecodingTable();
  const char16_t* s = text.utf16();
  qsizetype m = text.size();
  while (m > 0 && s[m - 1] == u'=') --m;
  auto value = [&](qsizetype i) -> int { return s[i] < 256 ? table[s[i]] : -1; };

  // Every byte makes at most one unit: a 4-byte sequence makes two.
  QString out((m * 3) / 4, Qt::Uninitialized);
  adviseHugePages(out.data(), size_t(out.size()) * sizeof(QChar));
  StrictUtf8Writer writer(reinterpret_cast<char16_t*>(out.data()));
  qsizetype i = 0;
  for (; i + 4 <= m; i += 4) {
    const int a = value(i), b = value(i + 1), c = value(i + 2), d = value(i + 3);
    if ((a | b | c | d) < 0) return Base64Outcome::OutsideAlphabet;
    const std::uint32_t group = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 | std::uint32_t(c) << 6 | d;
    const std::uint8_t bytes[3] = {std::uint8_t(group >> 16), std::uint8_t(group >> 8), std::uint8_t(group)};
    if ((group & 0x808080) == 0 && writer.canTakeAscii()) {
      writer.putAscii(bytes[0]);
      writer.putAscii(bytes[1]);
      writer.putAscii(bytes[2]);
    } else if (!writer.put(bytes[0]) || !writer.put(bytes[1]) || !writer.put(bytes[2])) {
      return Base64Outcome::NotUtf8;
    }
  }
  // A last group of 1 to 3 significant characters; one alone makes no byte.
  const qsizetype rest = m - i;
  int values[3] = {0, 0, 0};
  for (qsizetype k = 0; k < rest; ++k)
    if ((values[k] = value(i + k)) < 0) return Base64Outcome::OutsideAlphabet;
  const std::uint8_t last[2] = {std::uint8_t(values[0] << 2 | values[1] >> 4),
                                std::uint8_t(values[1] << 4 | values[2] >> 2)};
  for (qsizetype k = 0; k + 1 < rest; ++k)
    if (!writer.put(last[k])) return Base64Outcome::NotUtf8;
  if (!writer.complete()) return Base64Outcome::NotUtf8;
  out.truncate(writer.end() - reinterpret_cast<const char16_t*>(out.constData()));
  *result = std::move(out);
  return Base64Outcome::Decoded;
}

// The value of a two-character hexadecimal field read the scanner's way:
// leading white space skipped, digits taken up to the first other character;
// 0 when there is no digit.
unsigned scanHexPair(char16_t first, char16_t second) {
  const char16_t pair[2] = {first, second};
  int k = 0;
  while (k < 2 && isWhitespaceOrNewline(pair[k])) ++k;
  unsigned value = 0;
  for (; k < 2 && utf8units::isHexDigit(pair[k]); ++k)
    value = value * 16 + unsigned(utf8units::hexDigitValue(pair[k]));
  return value;
}

}  // namespace

QString convertToBase64(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const QStringView text(receiver);
  const qsizetype bytes = utf8units::utf8Size(text);
  QString out(((bytes + 2) / 3) * 4, Qt::Uninitialized);
  adviseHugePages(out.data(), size_t(out.size()) * sizeof(QChar));
  char16_t* w = reinterpret_cast<char16_t*>(out.data());
  const base64blocks::Encoder encoder = base64blocks::fastestEncoder();

  // The UTF-8 bytes are made a buffer at a time (the buffer stays in the
  // cache) and encoded in whole groups; the 0 to 2 bytes of an unfinished
  // group move to the front of the buffer for the next round.
  constexpr qsizetype kBufferBytes = 48 * 64;
  alignas(64) std::uint8_t buffer[kBufferBytes + base64blocks::kReadSlack];
  qsizetype carried = 0;
  for (qsizetype at = 0; at < text.size();) {
    const qsizetype filled =
        carried + base64blocks::writeUtf8(text, &at, buffer + carried, kBufferBytes - carried);
    const qsizetype groups = filled / 3;
    base64blocks::encodeGroups(encoder, buffer, groups, w);
    w += groups * 4;
    carried = filled - groups * 3;
    std::memmove(buffer, buffer + groups * 3, size_t(carried));
  }
  if (carried > 0) {
    std::memset(buffer + carried, 0, size_t(3 - carried));
    base64blocks::encodeGroups(base64blocks::Encoder::Portable, buffer, 1, w);
    w[3] = u'=';
    if (carried == 1) w[2] = u'=';
  }
  return out;
}

std::optional<QString> convertFromBase64(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  if (receiver.size() % 4 == 0) {
    QString decoded;
    switch (decodeBase64(receiver, &decoded)) {
      case Base64Outcome::Decoded:
        return decoded;
      case Base64Outcome::NotUtf8:
        return std::nullopt;
      case Base64Outcome::OutsideAlphabet:
        break;
    }
  }
  // A character outside the alphabet. Text whose UTF-8 length is not a whole
  // number of groups is not taken for Base64 at all and comes back unchanged.
  bool loneSurrogate = false;
  const qsizetype bytes = utf8units::utf8Size(receiver, &loneSurrogate);
  if (loneSurrogate || bytes % 4 != 0) return receiver;
  return std::nullopt;
}

QString convertToHex(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  QString out(receiver.size() * 4, Qt::Uninitialized);
  char16_t* w = reinterpret_cast<char16_t*>(out.data());
  for (const QChar c : receiver) {
    const char16_t u = c.unicode();
    if (u > 0xFFF) *w++ = digits[u >> 12];
    if (u > 0xFF) *w++ = digits[(u >> 8) & 15];
    *w++ = digits[(u >> 4) & 15];
    *w++ = digits[u & 15];
  }
  out.truncate(w - reinterpret_cast<const char16_t*>(out.constData()));
  return out;
}

QString convertFromHex(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const qsizetype pairs = receiver.size() / 2;
  QString out(pairs, Qt::Uninitialized);
  for (qsizetype k = 0; k < pairs; ++k)
    out[k] = QChar(char16_t(scanHexPair(receiver[2 * k].unicode(), receiver[2 * k + 1].unicode()) & 0xFF));
  return out;
}

quint64 checksum(const QString& receiver) {
  quint64 sum = 0;
  for (const QChar c : receiver) sum += c.unicode();
  return sum;
}

quint32 fourCharCode(const QString& receiver) {
  if (receiver.size() != 6 || receiver.front() != u'\'' || receiver.back() != u'\'') return 0;
  quint32 code = 0;
  for (qsizetype i = 1; i <= 4; ++i) {
    const char16_t c = receiver[i].unicode();
    if (c > 0xFF) return 0;
    code = code << 8 | c;
  }
  return code;
}

QString stringWithFourCharCode(quint32 code) {
  QString out(6, Qt::Uninitialized);
  out[0] = out[5] = u'\'';
  for (int i = 0; i < 4; ++i) out[i + 1] = QChar(char16_t((code >> (24 - 8 * i)) & 0xFF));
  return out;
}

QString uuidString() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

}  // namespace Tirr_NSStringAdditions
