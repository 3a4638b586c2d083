// The inner loops of Base64 encoding: UTF-16 text to UTF-8 bytes a buffer at a
// time, and whole 3-byte groups of bytes to their four characters with the
// widest vector unit the processor offers.
#pragma once

#include <QStringView>
#include <cstdint>

namespace base64blocks {

// The ways of encoding groups. Portable runs everywhere; the others need the
// processor features they are named after.
enum class Encoder { Portable, Ssse3, Avx512Vbmi };

// Whether this processor can run `encoder`.
[[nodiscard]] bool isAvailable(Encoder encoder);

// The fastest encoder this processor can run (decided once).
[[nodiscard]] Encoder fastestEncoder();

// How many bytes past the last group an encoder may read without using them:
// the input buffer must be that much longer.
inline constexpr qsizetype kReadSlack = 16;

// Writes the four characters of each of the `groups` 3-byte groups at `in` to
// `out` (4 * groups code units).
void encodeGroups(Encoder encoder, const std::uint8_t* in, qsizetype groups, char16_t* out);

// Writes the UTF-8 bytes of `text` from `*at` on to `out`, which has room for
// `room` bytes, whole characters only, and moves `*at` past the characters
// written; stops at the end of the text or when the next character might not
// fit. A lone surrogate is written as U+FFFD. Answers the number of bytes.
qsizetype writeUtf8(QStringView text, qsizetype* at, std::uint8_t* out, qsizetype room);

}  // namespace base64blocks
