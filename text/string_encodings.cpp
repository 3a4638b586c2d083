#include "text/string_encodings.h"

#include <QStringDecoder>
#include <QUuid>
#include <array>
#include <cstdint>
#include <cstring>

#include "text/character_sets.h"
#include "text/string_core.h"
#include "text/utf8_units.h"

namespace Tirr_NSStringAdditions {

namespace {

// Entry i is the character of the 6-bit value i.
constexpr char base64EncodingTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value, so that a 24-bit group is written
// with two lookups and two 4-byte stores.
struct Base64PairTable {
  std::array<std::array<char16_t, 2>, 4096> pairs;
};

const Base64PairTable& base64PairTable() {
  static const Base64PairTable table = [] {
    Base64PairTable t{};
    for (unsigned v = 0; v < 4096; ++v)
      t.pairs[v] = {char16_t(base64EncodingTable[v >> 6]), char16_t(base64EncodingTable[v & 63])};
    return t;
  }();
  return table;
}

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

inline void writeBase64Group(char16_t* out, std::uint32_t group, const Base64PairTable& table) {
  std::memcpy(out, table.pairs[group >> 12].data(), 4);
  std::memcpy(out + 2, table.pairs[group & 0xFFF].data(), 4);
}

// Decoded bytes pass through a small buffer on their way to the UTF-8 reader,
// so a decode makes no copy of its bytes and allocates only its result.
class Utf8Sink {
 public:
  explicit Utf8Sink(QChar* out) : out_(out) {}

  std::uint8_t* reserve(qsizetype bytes) {
    if (filled_ + bytes > kCapacity) flush(false);
    return buffer_.data() + filled_;
  }
  void commit(qsizetype bytes) { filled_ += bytes; }

  // Reads the buffered bytes as UTF-8; a character cut at the end of the
  // buffer waits for the next flush unless `last`. False once any bytes were
  // not UTF-8.
  bool flush(bool last) {
    qsizetype cut = filled_;
    if (!last) {
      for (qsizetype j = filled_ - 1; j >= 0 && j >= filled_ - 3; --j) {
        const std::uint8_t b = buffer_[j];
        if ((b & 0xC0) == 0x80) continue;
        const qsizetype need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (j + need > filled_) cut = j;
        break;
      }
    }
    out_ = decoder_.appendToBuffer(out_, QByteArrayView(buffer_.data(), cut));
    std::memmove(buffer_.data(), buffer_.data() + cut, filled_ - cut);
    filled_ -= cut;
    valid_ = valid_ && !decoder_.hasError();
    return valid_;
  }
  QChar* end() const { return out_; }

 private:
  static constexpr qsizetype kCapacity = 12 * 1024;
  QStringDecoder decoder_{QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
  QChar* out_;
  qsizetype filled_ = 0;
  bool valid_ = true;
  std::array<std::uint8_t, kCapacity> buffer_;
};

enum class Base64Outcome { Decoded, OutsideAlphabet, NotUtf8 };

// Decodes `text`, whose length is a multiple of 4, into `*result`.
Base64Outcome decodeBase64(QStringView text, QString* result) {
  const auto& table = base64DecodingTable();
  const char16_t* s = text.utf16();
  qsizetype m = text.size();
  while (m > 0 && s[m - 1] == u'=') --m;
  auto value = [&](qsizetype i) -> int { return s[i] < 256 ? table[s[i]] : -1; };

  QString out((m * 3) / 4, Qt::Uninitialized);
  Utf8Sink sink(out.data());
  qsizetype i = 0;
  for (; i + 4 <= m; i += 4) {
    const int a = value(i), b = value(i + 1), c = value(i + 2), d = value(i + 3);
    if ((a | b | c | d) < 0) return Base64Outcome::OutsideAlphabet;
    const std::uint32_t group = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 | std::uint32_t(c) << 6 | d;
    std::uint8_t* w = sink.reserve(3);
    w[0] = std::uint8_t(group >> 16);
    w[1] = std::uint8_t(group >> 8);
    w[2] = std::uint8_t(group);
    sink.commit(3);
  }
  // A last group of 1 to 3 significant characters; one alone makes no byte.
  const qsizetype rest = m - i;
  int values[3] = {0, 0, 0};
  for (qsizetype k = 0; k < rest; ++k)
    if ((values[k] = value(i + k)) < 0) return Base64Outcome::OutsideAlphabet;
  if (rest >= 2) {
    std::uint8_t* w = sink.reserve(2);
    w[0] = std::uint8_t(values[0] << 2 | values[1] >> 4);
    w[1] = std::uint8_t(values[1] << 4 | values[2] >> 2);
    sink.commit(rest - 1);
  }
  if (!sink.flush(true)) return Base64Outcome::NotUtf8;
  out.truncate(sink.end() - out.constData());
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
  char16_t* w = reinterpret_cast<char16_t*>(out.data());
  const auto& table = base64PairTable();
  const char16_t* s = text.utf16();
  const qsizetype n = text.size();

  // Bytes of the current group not yet written: at most 2 carried over plus
  // the 4 of one character.
  std::uint8_t pending[8];
  int filled = 0;
  qsizetype i = 0;
  while (i < n) {
    if (filled == 0) {
      // Runs of ASCII go straight from the code units to the output.
      for (; i + 3 <= n && (s[i] | s[i + 1] | s[i + 2]) < 0x80; i += 3, w += 4)
        writeBase64Group(w, std::uint32_t(s[i]) << 16 | std::uint32_t(s[i + 1]) << 8 | s[i + 2], table);
      if (i == n) break;
    }
    filled += utf8units::writeUtf8(utf8units::nextCodePoint(text, &i), pending + filled);
    int k = 0;
    for (; k + 3 <= filled; k += 3, w += 4)
      writeBase64Group(
          w, std::uint32_t(pending[k]) << 16 | std::uint32_t(pending[k + 1]) << 8 | pending[k + 2], table);
    std::memmove(pending, pending + k, size_t(filled - k));
    filled -= k;
  }
  if (filled > 0) {
    const std::uint32_t group =
        std::uint32_t(pending[0]) << 16 | (filled > 1 ? std::uint32_t(pending[1]) << 8 : 0);
    writeBase64Group(w, group, table);
    w[3] = u'=';
    if (filled == 1) w[2] = u'=';
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
