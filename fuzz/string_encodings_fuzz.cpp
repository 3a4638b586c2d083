// Base64 and hexadecimal decoders meet text from anywhere. For any input:
// a Base64 text that decodes re-encodes to itself (up to the padding and the
// unused low bits of its last character, which the decoder tolerates), any
// text survives Base64 both ways and agrees with Qt's encoder, and the
// hexadecimal forms invert each other where they can.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "text/string_encodings.h"

using namespace Tirr_NSStringAdditions;

namespace {

int base64Value(char16_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  return c == '+' ? 62 : 63;
}

QStringView withoutPadding(QStringView text) {
  while (!text.isEmpty() && text.back() == u'=') text.chop(1);
  return text;
}

// `encoded` is the canonical form of `input`: the same significant
// characters, bar a lone last one (no byte) and the bits a last partial group
// does not use.
void checkReencoding(const QString& input, const QString& encoded) {
  const QStringView in = withoutPadding(input), out = withoutPadding(encoded);
  const qsizetype expected = in.size() % 4 == 1 ? in.size() - 1 : in.size();
  if (out.size() != expected) std::abort();
  if (out.isEmpty()) return;
  const qsizetype last = out.size() - 1;
  if (in.first(last) != out.first(last)) std::abort();
  const int unusedBits = out.size() % 4 == 2 ? 4 : out.size() % 4 == 3 ? 2 : 0;
  if (base64Value(in[last].unicode()) >> unusedBits != base64Value(out[last].unicode()) >> unusedBits)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString text = QString::fromUtf8(bytes);

  // Decoding arbitrary text.
  const std::optional<QString> decoded = convertFromBase64(text);
  if (decoded && !decoded->isSharedWith(text)) checkReencoding(text, convertToBase64(*decoded));

  // Any text both ways, and the same Base64 as Qt's encoder of its UTF-8.
  const QString base64 = convertToBase64(text);
  if (base64 != QString::fromLatin1(text.toUtf8().toBase64())) std::abort();
  if (convertFromBase64(base64) != text) std::abort();

  // Hexadecimal: any text decodes to one character per pair; pairs of digits
  // come back upper-cased; Latin-1 text survives both ways.
  const QString fromHex = convertFromHex(text);
  if (fromHex.size() != text.size() / 2) std::abort();
  bool allDigits = text.size() % 2 == 0;
  for (const QChar c : text) allDigits = allDigits && isxdigit(c.unicode()) && c.unicode() < 0x80;
  if (allDigits && convertToHex(fromHex) != text.toUpper()) std::abort();
  const QString latin1 = QString::fromLatin1(bytes);
  if (convertFromHex(convertToHex(latin1)) != latin1) std::abort();
  return 0;
}
