#include "text/string_urls.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cstdint>

#include "text/string_core.h"
#include "text/utf8_units.h"

namespace Tirr_NSStringAdditions {

namespace {

using utf8units::hexDigitValue;
using utf8units::isHexDigit;

// The ASCII characters addPercentEscapes() leaves as they are: letters,
// digits and the URL punctuation that is safe inside a path or query value.
constexpr std::array<bool, 128> kLeftUnescaped = [] {
  std::array<bool, 128> table{};
  for (char16_t c = '0'; c <= '9'; ++c) table[c] = true;
  for (char16_t c = 'A'; c <= 'Z'; ++c) table[c] = table[c | 0x20] = true;
  for (char16_t c : u"-_.!~*'()?$,") table[c] = true;
  table[0] = false;
  return table;
}();

// The characters a URL reference may hold at all: unreserved, reserved and "%".
constexpr std::array<bool, 128> kUrlCharacters = [] {
  std::array<bool, 128> table{};
  for (char16_t c = '0'; c <= '9'; ++c) table[c] = true;
  for (char16_t c = 'A'; c <= 'Z'; ++c) table[c] = table[c | 0x20] = true;
  for (char16_t c : u"-._~:/?#[]@!$&'()*+,;=%") table[c] = true;
  table[0] = false;
  return table;
}();

bool isLeftUnescaped(char16_t c) { return c < 128 && kLeftUnescaped[c]; }

// True when `text[at]` starts a "%" escape with two hexadecimal digits.
bool isEscapeAt(QStringView text, qsizetype at) {
  return text[at] == u'%' && at + 2 < text.size() && isHexDigit(text[at + 1].unicode()) &&
         isHexDigit(text[at + 2].unicode());
}

// Reads the run of "%XX" escapes that starts at `*at` into `bytes` and
// advances past it.
void readEscapedRun(QStringView text, qsizetype* at, QByteArray* bytes) {
  bytes->clear();
  while (*at < text.size() && isEscapeAt(text, *at)) {
    bytes->append(char(hexDigitValue(text[*at + 1].unicode()) * 16 + hexDigitValue(text[*at + 2].unicode())));
    *at += 3;
  }
}

QString escapeUtf8Bytes(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && isLeftUnescaped(text[i].unicode())) ++i;
  if (i == text.size()) return text;

  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  qsizetype size = i;
  for (qsizetype k = i; k < text.size();) {
    if (isLeftUnescaped(text[k].unicode())) {
      ++size;
      ++k;
    } else {
      std::uint8_t bytes[4];
      size += 3 * utf8units::writeUtf8(utf8units::nextCodePoint(text, &k), bytes);
    }
  }
  QString out(size, Qt::Uninitialized);
  char16_t* w = reinterpret_cast<char16_t*>(out.data());
  const char16_t* s = QStringView(text).utf16();
  for (qsizetype k = 0; k < i; ++k) *w++ = s[k];
  while (i < text.size()) {
    if (isLeftUnescaped(s[i])) {
      *w++ = s[i++];
      continue;
    }
    std::uint8_t bytes[4];
    const int count = utf8units::writeUtf8(utf8units::nextCodePoint(text, &i), bytes);
    for (int b = 0; b < count; ++b) {
      *w++ = u'%';
      *w++ = digits[bytes[b] >> 4];
      *w++ = digits[bytes[b] & 15];
    }
  }
  return out;
}

// Strict URL characters: the parser accepts some that URLs do not allow.
bool hasOnlyUrlCharacters(QStringView text) {
  qsizetype hashes = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 128 || !kUrlCharacters[u]) return false;
    if (u == u'#' && ++hashes > 1) return false;
  }
  return true;
}

// Brackets belong only around an IPv6 or future-format host.
// A host with a colon is one the parser found between brackets.
bool bracketsOnlyAroundHost(QStringView text, const QUrl& url) {
  const qsizetype open = text.count(u'['), close = text.count(u']');
  return (open == 0 && close == 0) || (open == 1 && close == 1 && url.host().contains(u':'));
}

}  // namespace

QString addPercentEscapes(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  return escapeUtf8Bytes(removePercentEscapes(receiver).value_or(receiver));
}

std::optional<QString> removePercentEscapes(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const QStringView text(receiver);
  qsizetype i = text.indexOf(u'%');
  if (i < 0) return receiver;

  // Decoding never lengthens: three units give at most one.
  QString out(text.size(), Qt::Uninitialized);
  QChar* w = out.data();
  for (qsizetype k = 0; k < i; ++k) *w++ = text[k];
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QByteArray run;
  while (i < text.size()) {
    if (!isEscapeAt(text, i)) {
      *w++ = text[i++];
      continue;
    }
    readEscapedRun(text, &i, &run);
    w = utf8.appendToBuffer(w, run);
    if (utf8.hasError()) return std::nullopt;
  }
  out.truncate(w - out.constData());
  return out;
}

QString prepForURL(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  return snr(addPercentEscapes(receiver), QStringLiteral("%20"), QStringLiteral("+"));
}

QString decodeURLString(const QString& receiver) {
  if (isBlankString(receiver)) return receiver;
  const QStringView text(receiver);
  qsizetype i = 0;
  while (i < text.size() && text[i] != u'+' && text[i] != u'%') ++i;
  if (i == text.size()) return receiver;

  QString out(text.size(), Qt::Uninitialized);
  QChar* w = out.data();
  for (qsizetype k = 0; k < i; ++k) *w++ = text[k];
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QByteArray run;
  while (i < text.size()) {
    const QChar c = text[i];
    if (c == u'+') {
      *w++ = u' ';
      ++i;
    } else if (c != u'%') {
      *w++ = c;
      ++i;
    } else if (isEscapeAt(text, i)) {
      readEscapedRun(text, &i, &run);
      QChar* const from = w;
      w = utf8.appendToBuffer(w, run);
      w = std::remove(from, w, QChar(0));  // the byte 0 ends nothing and adds nothing
    } else {
      // A malformed escape keeps its "%" and the (up to) two units it takes.
      const qsizetype end = std::min(i + 3, text.size());
      while (i < end) *w++ = text[i++];
    }
  }
  out.truncate(w - out.constData());
  return out;
}

std::optional<QUrl> convertToURL(const QString& receiver) {
  if (receiver.isEmpty() || !hasOnlyUrlCharacters(receiver)) return std::nullopt;
  QUrl url(receiver, QUrl::StrictMode);
  if (!url.isValid() || !bracketsOnlyAroundHost(receiver, url)) return std::nullopt;
  return url;
}

std::optional<QUrl> convertToURLRelativeToURL(const QString& receiver, const QUrl& base) {
  if (base.isEmpty()) return convertToURL(receiver);
  if (!base.isValid()) return std::nullopt;
  if (receiver.isEmpty()) return base.resolved(QUrl());
  const std::optional<QUrl> relative = convertToURL(receiver);
  if (!relative) return std::nullopt;
  return base.resolved(*relative);
}

bool isValidURL(const QString& receiver) { return convertToURL(receiver).has_value(); }

}  // namespace Tirr_NSStringAdditions
