// Percent escapes and form data come from URLs anyone can write. For any
// input: the decoders neither crash nor lengthen the text, the escaped form is
// plain ASCII that parses as a URL reference and decodes back to the text,
// and form-style encoding and decoding invert each other.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "text/string_urls.h"

using namespace Tirr_NSStringAdditions;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

  const std::optional<QString> removed = removePercentEscapes(text);
  if (removed && removed->size() > text.size()) std::abort();
  if (decodeURLString(text).size() > text.size()) std::abort();
  (void)convertToURL(text);

  const QString plain = removed.value_or(text);
  const QString escaped = addPercentEscapes(text);
  for (const QChar c : escaped)
    if (c.unicode() >= 0x80 || c == u' ' || c == u'+') std::abort();
  if (!text.isEmpty() && !isValidURL(escaped)) std::abort();
  if (removePercentEscapes(escaped) != plain) std::abort();
  // Form decoding drops the byte 0 and nothing else.
  if (decodeURLString(prepForURL(text)) != QString(plain).remove(QChar(0))) std::abort();
  return 0;
}
