// Markup: entity escapes that make text safe inside XML, and the plain text of
// HTML. The HTML reader never loads anything the markup refers to: no files,
// no network, no style sheets.
#pragma once

#include <QString>
#include <optional>

namespace Tirr_NSStringAdditions {

// Writes the five XML special characters as entities: "&" first, then "<",
// ">", double quote and apostrophe, so entities are not escaped twice.
// Example: "a<b & 'c'" -> "a&lt;b &amp; &apos;c&apos;";  "&lt;" -> "&amp;lt;".
[[nodiscard]] QString safeForXML(const QString& receiver);

// The plain text of the receiver read as HTML: markup dropped, character and
// entity references decoded, paragraph and line breaks written as line feeds,
// no-break spaces kept. Numeric references that name no character read as
// U+FFFD. Qt's reader makes a text of any input, so the result is never
// absent here; the optional keeps room for a reader that can fail.
// Example: "<b>a&amp;b</b>&#233;" -> "a&bé".
[[nodiscard]] std::optional<QString> convertHTMLEntities(const QString& receiver);

// Like convertHTMLEntities(), except that a receiver of fewer than 4 units
// with a character outside Mac OS Roman (which such short texts are read in)
// comes back unchanged. Example: "&lt;" -> "<";  "<b>" -> "";  "<Ж>" -> "<Ж>".
[[nodiscard]] QString flattenHTML(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
