// Binary-to-text encodings of strings: Base64 of the UTF-8 bytes (standard
// alphabet, "=" padding, no line breaks), hexadecimal of the UTF-16 code units,
// an additive checksum, four-character type codes and new UUID texts.
#pragma once

#include <QString>
#include <optional>

namespace Tirr_NSStringAdditions {

// Encodes the UTF-8 bytes of `receiver` as one unbroken line of Base64. A lone
// surrogate, which has no UTF-8 form, is encoded as U+FFFD.
// Example: "é" -> "w6k=";  "abc" -> "YWJj";  "" -> "".
[[nodiscard]] QString convertToBase64(const QString& receiver);

// Decodes Base64 text back into the string whose UTF-8 bytes it encodes. Any
// number of trailing "=" is dropped; one significant character of a last group
// yields no byte. Returns the receiver itself when its UTF-8 length is not a
// multiple of 4 (or it has no UTF-8 form), and nothing when it holds a
// character outside the alphabet (a line break, a space, an inner "=") or the
// decoded bytes are not UTF-8.
// Example: "w6k=" -> "é";  "A===" -> "";  "abc" -> "abc" (itself);  "/w==" -> nullopt.
[[nodiscard]] std::optional<QString> convertFromBase64(const QString& receiver);

// Writes every UTF-16 code unit as upper-case hexadecimal, at least two digits
// and no separator, so units above 0xFF take three or four digits.
// Example: "A" -> "41";  "é" -> "E9";  "€" -> "20AC".
[[nodiscard]] QString convertToHex(const QString& receiver);

// Reads the receiver two characters at a time, each pair as a hexadecimal
// number (leading white space skipped, reading stops at the first non-digit),
// and appends the character of its low 8 bits (Latin-1). A pair without a
// digit counts as 0; an odd last character is ignored.
// Example: "414" -> "A";  "4a" -> "J";  "E9" -> "é".
[[nodiscard]] QString convertFromHex(const QString& receiver);

// The sum of all UTF-16 code units. Example: "abc" -> 294.
[[nodiscard]] quint64 checksum(const QString& receiver);

// Reads the text form of a four-character type code: four characters up to
// U+00FF between apostrophes, the first the most significant byte. Any other
// text gives 0. Example: "'TEXT'" -> 0x54455854.
[[nodiscard]] quint32 fourCharCode(const QString& receiver);

// Writes a four-character type code as its four bytes, as Latin-1 characters,
// between apostrophes; fourCharCode() reads every such text back exactly.
// Example: 0x54455854 -> "'TEXT'".
[[nodiscard]] QString stringWithFourCharCode(quint32 code);

// Text of a newly created random UUID: 36 characters, upper-case hexadecimal
// in groups of 8, 4, 4, 4 and 12 joined by hyphens.
[[nodiscard]] QString uuidString();

}  // namespace Tirr_NSStringAdditions
