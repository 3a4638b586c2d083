#include "text/base64_blocks.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "text/utf8_units.h"

namespace base64blocks {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters of every 12-bit value, so that a group is written with
// two lookups and two 4-byte stores.
using PairTable = std::array<std::array<char16_t, 2>, 4096>;

const PairTable& pairTable() {
  static const PairTable table = [] {
    PairTable t{};
    for (unsigned v = 0; v < 4096; ++v) t[v] = {char16_t(kAlphabet[v >> 6]), char16_t(kAlphabet[v & 63])};
    return t;
  }();
  return table;
}

void encodePortable(const std::uint8_t* in, qsizetype groups, char16_t* out) {
  const PairTable& table = pairTable();
  for (qsizetype g = 0; g < groups; ++g, in += 3, out += 4) {
    const std::uint32_t group = std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
    std::memcpy(out, table[group >> 12].data(), 4);
    std::memcpy(out + 2, table[group & 0xFFF].data(), 4);
  }
}

#if defined(__x86_64__)
// GCC's AVX-512 intrinsics pass a deliberately undefined register as the
// unused source of unmasked operations, which -Wmaybe-uninitialized reports.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Four groups (12 bytes, 16 read) a step, the shuffle-and-multiply scheme of
// Wojciech Muła's encoders: bytes a b c of a group are laid out as b a c b,
// two multiplies move the four 6-bit fields into the four bytes, and a
// 16-entry table of offsets turns each value into its character. Answers the
// number of groups encoded.
__attribute__((target("ssse3"))) qsizetype encodeSsse3(const std::uint8_t* in, qsizetype groups,
                                                       char16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i reshuffle = _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1);
  const __m128i offsets =
      _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                    '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  qsizetype g = 0;
  for (; g + 4 <= groups; g += 4, in += 12, out += 16) {
    const __m128i bytes = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in)), reshuffle);
    const __m128i t0 =
        _mm_mulhi_epu16(_mm_and_si128(bytes, _mm_set1_epi32(0x0fc0fc00)), _mm_set1_epi32(0x04000040));
    const __m128i t1 =
        _mm_mullo_epi16(_mm_and_si128(bytes, _mm_set1_epi32(0x003f03f0)), _mm_set1_epi32(0x01000010));
    const __m128i values = _mm_or_si128(t0, t1);
    // 0..25 -> 13 ("A"), 26..51 -> 0 ("a" - 26), 52..61 -> 1..10 (digits),
    // 62 -> 11 ("+"), 63 -> 12 ("/").
    __m128i index = _mm_subs_epu8(values, _mm_set1_epi8(51));
    index = _mm_or_si128(index, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), values), _mm_set1_epi8(13)));
    const __m128i chars = _mm_add_epi8(_mm_shuffle_epi8(offsets, index), values);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(chars, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(chars, zero));
  }
  return g;
}

// Sixteen groups (48 bytes, 64 read) a step, the scheme of Muła and Lemire's
// AVX-512 encoder: one byte permutation lays each group out as b a c b in a
// 32-bit lane, one multishift picks the four 6-bit fields (each byte takes the
// eight bits at its offset; only the low six count), and a second permutation
// looks the characters up in the alphabet.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) qsizetype encodeAvx512Vbmi(const std::uint8_t* in,
                                                                                  qsizetype groups,
                                                                                  char16_t* out) {
  const __m512i layout = _mm512_setr_epi32(
      0x01020001, 0x04050304, 0x07080607, 0x0a0b090a, 0x0d0e0c0d, 0x10110f10, 0x13141213, 0x16171516,
      0x191a1819, 0x1c1d1b1c, 0x1f201e1f, 0x22232122, 0x25262425, 0x28292728, 0x2b2c2a2b, 0x2e2f2d2e);
  const __m512i shifts = _mm512_set1_epi64(0x3036242a1016040a);
  const __m512i alphabet = _mm512_loadu_si512(kAlphabet);
  qsizetype g = 0;
  for (; g + 16 <= groups; g += 16, in += 48, out += 64) {
    const __m512i bytes = _mm512_permutexvar_epi8(layout, _mm512_loadu_si512(in));
    const __m512i chars = _mm512_permutexvar_epi8(_mm512_multishift_epi64_epi8(shifts, bytes), alphabet);
    _mm512_storeu_si512(out, _mm512_cvtepu8_epi16(_mm512_castsi512_si256(chars)));
    _mm512_storeu_si512(out + 32, _mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(chars, 1)));
  }
  return g;
}

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

}  // namespace

bool isAvailable(Encoder encoder) {
  switch (encoder) {
    case Encoder::Portable:
      return true;
#if defined(__x86_64__)
    case Encoder::Ssse3:
      return __builtin_cpu_supports("ssse3");
    case Encoder::Avx512Vbmi:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vbmi");
#else
    default:
      return false;
#endif
  }
  return false;
}

Encoder fastestEncoder() {
  static const Encoder fastest = isAvailable(Encoder::Avx512Vbmi) ? Encoder::Avx512Vbmi
                                 : isAvailable(Encoder::Ssse3)    ? Encoder::Ssse3
                                                                  : Encoder::Portable;
  return fastest;
}

void encodeGroups(Encoder encoder, const std::uint8_t* in, qsizetype groups, char16_t* out) {
  qsizetype done = 0;
#if defined(__x86_64__)
  // Each wider encoder leaves its last few groups to the next narrower one.
  if (encoder == Encoder::Avx512Vbmi) done = encodeAvx512Vbmi(in, groups, out);
  if (encoder != Encoder::Portable) done += encodeSsse3(in + 3 * done, groups - done, out + 4 * done);
#else
  (void)encoder;
#endif
  encodePortable(in + 3 * done, groups - done, out + 4 * done);
}

qsizetype writeUtf8(QStringView text, qsizetype* at, std::uint8_t* out, qsizetype room) {
  const char16_t* units = text.utf16();
  const qsizetype n = text.size();
  qsizetype i = *at;
  qsizetype w = 0;
  while (i < n) {
#if defined(__SSE2__)
    // Sixteen ASCII units a step, packed to bytes.
    if (i + 16 <= n && room - w >= 16) {
      const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
      const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
      const __m128i outside = _mm_and_si128(_mm_or_si128(low, high), _mm_set1_epi16(short(0xFF80)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(outside, _mm_setzero_si128())) == 0xFFFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), _mm_packus_epi16(low, high));
        i += 16;
        w += 16;
        continue;
      }
    }
#endif
    if (room - w < 4) break;
    if (units[i] < 0x80) {
      out[w++] = std::uint8_t(units[i++]);
      continue;
    }
    w += utf8units::writeUtf8(utf8units::nextCodePoint(text, &i), out + w);
  }
  *at = i;
  return w;
}

}  // namespace base64blocks
