// UTF-16 to UTF-8 one character at a time, for the encoders that write the
// bytes of a string in some other form (Base64, percent escapes) without first
// building the whole UTF-8 copy, and the hexadecimal digits those forms use.
// A lone surrogate, which has no UTF-8 form, stands for U+FFFD.
#pragma once

#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace utf8units {

// The bits that are set in four UTF-16 units packed in 64 bits when any of
// them is not ASCII.
inline constexpr std::uint64_t kNonAsciiUnits = 0xFF80FF80FF80FF80ull;

// Reads the character at `*at` of `text` and advances past it: a surrogate
// pair is one character, a lone surrogate reads as U+FFFD.
[[nodiscard]] inline char32_t nextCodePoint(QStringView text, qsizetype* at) {
  const char16_t c = text[*at].unicode();
  ++*at;
  if (c < 0xD800 || c > 0xDFFF) return c;
  if (c <= 0xDBFF && *at < text.size()) {
    const char16_t low = text[*at].unicode();
    if (low >= 0xDC00 && low <= 0xDFFF) {
      ++*at;
      return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return 0xFFFD;
}

// Writes the UTF-8 bytes of `cp` (at most 4) to `out`; answers their number.
inline int writeUtf8(char32_t cp, std::uint8_t* out) {
  if (cp < 0x80) {
    out[0] = std::uint8_t(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = std::uint8_t(0xC0 | (cp >> 6));
    out[1] = std::uint8_t(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = std::uint8_t(0xE0 | (cp >> 12));
    out[1] = std::uint8_t(0x80 | ((cp >> 6) & 0x3F));
    out[2] = std::uint8_t(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = std::uint8_t(0xF0 | (cp >> 18));
  out[1] = std::uint8_t(0x80 | ((cp >> 12) & 0x3F));
  out[2] = std::uint8_t(0x80 | ((cp >> 6) & 0x3F));
  out[3] = std::uint8_t(0x80 | (cp & 0x3F));
  return 4;
}

// The number of UTF-8 bytes of `text`, lone surrogates counted as U+FFFD.
// Sets `*hasLoneSurrogate` (when given) if there is one.
[[nodiscard]] inline qsizetype utf8Size(QStringView text, bool* hasLoneSurrogate = nullptr) {
  qsizetype bytes = 0;
  bool lone = false;
  const qsizetype n = text.size();
  const char16_t* units = text.utf16();
  for (qsizetype i = 0; i < n;) {
#if defined(__SSE2__)
    // Sixteen units a step while none is a surrogate. A unit takes 3 bytes,
    // less one below U+0800 and one more below U+0080: the two comparisons
    // give -1 for each, summed per lane (a lane drops by at most 2 a step).
    if (i + 16 <= n) {
      const __m128i tooWideForTwo = _mm_set1_epi16(short(0xF800));
      const __m128i surrogate = _mm_set1_epi16(short(0xD800));
      const __m128i tooWideForOne = _mm_set1_epi16(short(0xFF80));
      __m128i lanes = _mm_setzero_si128();
      qsizetype steps = 0;
      for (; i + 16 <= n && steps < 8192; i += 16, ++steps) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        const __m128i wideA = _mm_and_si128(a, tooWideForTwo);
        const __m128i wideB = _mm_and_si128(b, tooWideForTwo);
        if (_mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi16(wideA, surrogate), _mm_cmpeq_epi16(wideB, surrogate))))
          break;
        const __m128i zero = _mm_setzero_si128();
        lanes =
            _mm_add_epi16(lanes, _mm_add_epi16(_mm_cmpeq_epi16(wideA, zero), _mm_cmpeq_epi16(wideB, zero)));
        lanes = _mm_add_epi16(lanes, _mm_cmpeq_epi16(_mm_and_si128(a, tooWideForOne), zero));
        lanes = _mm_add_epi16(lanes, _mm_cmpeq_epi16(_mm_and_si128(b, tooWideForOne), zero));
      }
      alignas(16) std::int32_t sums[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(lanes, _mm_set1_epi16(1)));
      bytes += 48 * steps + sums[0] + sums[1] + sums[2] + sums[3];
      if (steps > 0) continue;
    }
#endif
    // Fewer than 16 units left, or a surrogate among the next 16: those one
    // by one (eight at a time while they are ASCII).
    for (const qsizetype stop = std::min(n, i + 16); i < stop;) {
      std::uint64_t block[2];
      if (i + 8 <= n &&
          (std::memcpy(block, units + i, sizeof block), ((block[0] | block[1]) & kNonAsciiUnits) == 0)) {
        bytes += 8;
        i += 8;
        continue;
      }
      const char16_t c = units[i];
      if (c < 0x80) {
        bytes += 1;
        ++i;
      } else if (c < 0x800) {
        bytes += 2;
        ++i;
      } else if (c < 0xD800 || c > 0xDFFF) {
        bytes += 3;
        ++i;
      } else if (c <= 0xDBFF && i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
        bytes += 4;
        i += 2;
      } else {
        bytes += 3;
        lone = true;
        ++i;
      }
    }
  }
  if (hasLoneSurrogate) *hasLoneSurrogate = lone;
  return bytes;
}

[[nodiscard]] constexpr bool isHexDigit(char16_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a hexadecimal digit; only for characters isHexDigit() accepts.
[[nodiscard]] constexpr int hexDigitValue(char16_t c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

}  // namespace utf8units
