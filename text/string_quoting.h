// Quoting of strings for embedding in scripts and shell command lines:
// apostrophe-quoted forms and their inverse, double-quote escapes for script
// string literals, and backslash escapes that make a string one literal shell
// word.
#pragma once

#include <QString>

namespace Tirr_NSStringAdditions {

// Puts the receiver between apostrophes, each inner apostrophe written as the
// five characters '\\'' (apostrophe, two backslashes, two apostrophes).
// Example: "it's" -> "'it'\\''s'";  "" -> "''".
[[nodiscard]] QString quotedForm(const QString& receiver);

// quotedForm() with each inner apostrophe written as backslash and apostrophe.
// Example: "it's" -> "'it\'s'".
[[nodiscard]] QString quotedFormForSubstring(const QString& receiver);

// Undoes quotedForm(): the five-character escape becomes one apostrophe and
// the first and last units are dropped, whatever they are. A receiver shorter
// than two units gives the empty string.
[[nodiscard]] QString unquotedForm(const QString& receiver);

// Escapes the receiver for the inside of a double-quoted script string:
// backslashes are doubled, then each double quote gets a backslash, so no
// receiver can end the string early. Adds no quotes of its own.
// Example: "\"x\"" -> "\\\"x\\\"";  "a\\" -> "a\\\\".
[[nodiscard]] QString quotedFormForScriptSource(const QString& receiver);

// Escapes the receiver as one literal word for POSIX sh and bash: every
// character the shells give a meaning (blanks, quotes, "$", "`", globs, "{",
// "}", ",", "^", "~", "#", redirections and separators) gets a backslash, and
// a line feed is written between apostrophes, since a backslash before it
// would join lines. `sh -c "printf %s <result>"` prints exactly the receiver.
// U+0000 cannot travel in a command line and is left as it is.
// Example: "a b" -> "a\ b";  "$x" -> "\$x";  "a\nb" -> "a'\n'b".
[[nodiscard]] QString quotedFormForShellScript(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
