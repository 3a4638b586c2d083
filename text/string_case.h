// Capitalisation of English titles and of personal names. Both are purely
// textual rules with fixed tie-breaks; case mappings are the full,
// locale-independent Unicode ones ("ß" upper-cases to "SS").
#pragma once

#include <QString>

namespace Tirr_NSStringAdditions {

// The built-in list of small words that titleCaseString() lowers between two
// spaces: items separated by "|", each with exactly the spaces it must match.
inline constexpr char16_t kDefaultTitleCaseSmallWords[] =
    u" A | An | And | As | At | Both | But | By | Either | For | From | If | In | Is | Neither | Nor | Of "
    u"| On | Or | So | The | To | Via | Vs. | With | Yet ";

// Upper-cases the first character of every word (the rest is left as it is),
// then lowers each small word wherever it stands with the spaces of its item.
// Words end at space, tab, LF, CR, VT or FF; leading white space is dropped and
// of a run of white space after a word only the first character is kept. The
// small words come from the translation of "titleCaseSmallWords" in context
// "ui", or else kDefaultTitleCaseSmallWords. The translation is read again
// after every language change the application announces (QEvent::LanguageChange,
// sent when a non-empty translator is installed or any is removed), so an
// installed translator takes effect at once. A translator whose answers change
// without such an announcement is seen only at the next one. An empty receiver
// is returned itself.
// Example: titleCaseString("the lord of the rings") -> "The Lord of the Rings".
// Example: titleCaseString("where it is ") -> "Where It is ".
[[nodiscard]] QString titleCaseString(const QString& receiver);

// Lower-cases the text, then upper-cases its first character, every character
// after ".", " ", "'" or "-", and the character after "Mc" or "Mac" where that
// "M" was itself capitalised. An empty receiver is returned itself.
// Example: nameCaseString("ronald mcdonald") -> "Ronald McDonald";  ("mack") -> "MacK".
[[nodiscard]] QString nameCaseString(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
