// Percent escaping for URLs and form data, and URL values made from text.
// Escapes always stand for UTF-8 bytes; decoding is strict where a result can
// be absent and replaces malformed bytes with U+FFFD where it cannot.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace Tirr_NSStringAdditions {

// Percent-escapes the receiver for use in a URL, after first decoding the
// escapes it already has (so "%20" stays "%20" rather than becoming "%2520").
// ASCII letters, digits and - _ . ! ~ * ' ( ) ? $ , stay; every other
// character is written as its UTF-8 bytes, each "%" and two upper-case digits.
// When the existing escapes do not decode, the receiver is escaped as it is.
// Example: "x/y?z" -> "x%2Fy?z";  "a%20b" -> "a%20b";  "é" -> "%C3%A9".
[[nodiscard]] QString addPercentEscapes(const QString& receiver);

// Decodes every "%" followed by two hexadecimal digits; runs of escaped bytes
// are read together as UTF-8. Nothing when the bytes are not UTF-8 (cut
// sequences, overlong forms, encoded surrogates). A "%" without two digits
// after it and a "+" stay as they are.
// Example: "%C3%A9" -> "é";  "a+b" -> "a+b";  "%FF" -> nullopt;  "100%" -> "100%".
[[nodiscard]] std::optional<QString> removePercentEscapes(const QString& receiver);

// addPercentEscapes() with every escaped space written as "+"; a "+" of the
// receiver is escaped as "%2B", so the two stay distinct.
// Example: "a b+c" -> "a+b%2Bc".
[[nodiscard]] QString prepForURL(const QString& receiver);

// Decodes form-style URL encoding: "+" is a space and runs of "%" escapes are
// read together as UTF-8, bytes that are not UTF-8 giving U+FFFD and the byte
// 0 giving nothing. A "%" takes the two units after it with it whatever they
// are; when they are not two hexadecimal digits, all three are kept as written.
// Example: "a+b%41c" -> "a bAc";  "caf%C3%A9" -> "café";  "%zz+" -> "%zz ".
[[nodiscard]] QString decodeURLString(const QString& receiver);

// Parses the receiver as a URL reference, strictly: characters that URLs do
// not allow (space, double quote, "<", ">", "\", "^", "`", "{", "|", "}",
// controls, non-ASCII, a second "#", brackets outside an IPv6 host) and
// malformed escapes, ports or hosts give nothing. The empty text is no URL.
// Example: "hello" -> a relative URL;  "a b" -> nullopt.
[[nodiscard]] std::optional<QUrl> convertToURL(const QString& receiver);

// convertToURL() resolved against `base`; an empty base resolves nothing, and
// the empty receiver stands for the base itself.
// Example: "../g" against "http://a/b/c/d" -> "http://a/b/g".
[[nodiscard]] std::optional<QUrl> convertToURLRelativeToURL(const QString& receiver, const QUrl& base);

// Whether convertToURL() gives a value.
[[nodiscard]] bool isValidURL(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
