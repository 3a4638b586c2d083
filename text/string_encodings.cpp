#include "text/string_encodings.h"

#include <QUuid>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "text/character_sets.h"
#include "text/huge_pages.h"
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

#if defined(__x86_64__)
// Encodes blocks of twelve ASCII units with SSSE3 (the shuffle-and-multiply
// scheme of Wojciech Muła's Base64 encoders): the units are packed to bytes,
// split into sixteen 6-bit values and translated to their characters with a
// 16-entry table of offsets. Stops before the first block with a unit that is
// not ASCII, or when fewer than 16 units are left to read; answers the number
// of units encoded (a multiple of 12).
__attribute__((target("ssse3"))) qsizetype encodeAsciiBlocksSsse3(const char16_t* s, qsizetype n,
                                                                  char16_t* w) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i nonAsciiLow = _mm_set1_epi16(short(0xFF80));
  const __m128i nonAsciiHigh =
      _mm_setr_epi16(short(0xFF80), short(0xFF80), short(0xFF80), short(0xFF80), 0, 0, 0, 0);
  const __m128i reshuffle = _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
  const __m128i offsets =
      _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                    '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  qsizetype i = 0;
  for (; i + 16 <= n; i += 12, w += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
    const __m128i outside = _mm_or_si128(_mm_and_si128(low, nonAsciiLow), _mm_and_si128(high, nonAsciiHigh));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(outside, zero)) != 0xFFFF) break;
    // Bytes a b c of each group become b a c b, from which the multiplies
    // move the four 6-bit fields into the four bytes.
    const __m128i in = _mm_shuffle_epi8(_mm_packus_epi16(low, high), reshuffle);
    const __m128i t0 =
        _mm_mulhi_epu16(_mm_and_si128(in, _mm_set1_epi32(0x0fc0fc00)), _mm_set1_epi32(0x04000040));
    const __m128i t1 =
        _mm_mullo_epi16(_mm_and_si128(in, _mm_set1_epi32(0x003f03f0)), _mm_set1_epi32(0x01000010));
    const __m128i values = _mm_or_si128(t0, t1);
    // 0..25 -> 13 ("A"), 26..51 -> 0 ("a" - 26), 52..61 -> 1..10 (digits),
    // 62 -> 11 ("+"), 63 -> 12 ("/").
    __m128i index = _mm_subs_epu8(values, _mm_set1_epi8(51));
    index = _mm_or_si128(index, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), values), _mm_set1_epi8(13)));
    const __m128i chars = _mm_add_epi8(_mm_shuffle_epi8(offsets, index), values);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w), _mm_unpacklo_epi8(chars, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w + 8), _mm_unpackhi_epi8(chars, zero));
  }
  return i;
}
#endif

// Encodes what it can of an ASCII run with the vector unit; 0 without one.
qsizetype encodeAsciiBlocks(const char16_t* s, qsizetype n, char16_t* w) {
#if defined(__x86_64__)
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) return encodeAsciiBlocksSsse3(s, n, w);
#endif
  (void)s;
  (void)n;
  (void)w;
  return 0;
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
      // Runs of ASCII go straight from the code units to the output, twelve
      // units (four groups) per step while they last.
      const qsizetype vectorUnits = encodeAsciiBlocks(s + i, n - i, w);
      i += vectorUnits;
      w += vectorUnits / 3 * 4;
      for (; i + 12 <= n; i += 12, w += 16) {
        std::uint64_t units[3];
        std::memcpy(units, s + i, sizeof units);
        if ((units[0] | units[1] | units[2]) & utf8units::kNonAsciiUnits) break;
        for (int g = 0; g < 12; g += 3)
          writeBase64Group(w + g / 3 * 4,
                           std::uint32_t(s[i + g]) << 16 | std::uint32_t(s[i + g + 1]) << 8 | s[i + g + 2],
                           table);
      }
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
