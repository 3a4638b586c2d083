// Fuzzes the text units, affix, delimiter, replacement and case operations.
// The first byte gives the length (0 to 7 UTF-16 units) of an argument taken
// from the start of the decoded rest; the remaining text is the receiver.
// Checks the invariants callers rely on: cuts are exact prefixes or suffixes of
// the receiver, a delimiter is found exactly when containsString() finds it,
// and no operation reads outside its receiver (the sanitizers watch that).
#include <QChar>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "text/string_affixes.h"
#include "text/string_case.h"
#include "text/string_core.h"
#include "text/string_units.h"

using namespace Tirr_NSStringAdditions;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool isMark(char32_t c) {
  const QChar::Category category = QChar::category(c);
  return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
         category == QChar::Mark_Enclosing;
}

void checkCaseInsensitiveCuts(const QString& text, const QString& affix) {
  const QString lowerAffix = affix.toLower();
  const QString rest = deprefixCaseInsensitive(text, affix);
  check(text.endsWith(rest));
  if (rest.size() < text.size()) check(text.first(text.size() - rest.size()).toLower() == lowerAffix);
  const QString head = desuffixCaseInsensitive(text, affix);
  check(text.startsWith(head));
  if (head.size() < text.size()) check(text.sliced(head.size()).toLower() == lowerAffix);
  if (!affix.isEmpty()) {
    check(hasCaseInsensitivePrefix(text, affix) == text.toLower().startsWith(lowerAffix));
    check(hasCaseInsensitiveSuffix(text, affix) == text.toLower().endsWith(lowerAffix));
  }
}

void checkDelimiters(const QString& text, const QString& delim) {
  const QString before = substringToDelim(text, delim);
  const QString after = substringFromDelim(text, delim);
  const bool found = before.size() < text.size();
  check(found == containsString(text, delim, true));
  check(text.startsWith(before) && text.endsWith(after));
  if (found) check(before.size() + after.size() < text.size());
  const QString between = substringFromDelim(text, delim, delim);
  check(between.size() <= text.size() && text.contains(between));
}

void checkUnits(const QString& text) {
  check(characters(text).join(QString()) == text);
  check(characterCount(text) == quint64(text.size()));
  check(reverse(reverse(text)) == text);  // UTF-8 input never decodes to a lone surrogate
  for (const QString& word : words(text)) check(!word.isEmpty() && text.contains(word));
  const QString stripped = stripDiacritical(text);
  for (qsizetype i = 0; i < stripped.size(); ++i) {
    const char32_t c = (stripped[i].isHighSurrogate() && i + 1 < stripped.size())
                           ? QChar::surrogateToUcs4(stripped[i], stripped[i + 1])
                           : stripped[i].unicode();
    check(!isMark(c));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const QString decoded = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  const qsizetype argumentLength = std::min<qsizetype>(data[0] % 8, decoded.size());
  const QString argument = decoded.first(argumentLength);
  const QString text = decoded.sliced(argumentLength);

  checkCaseInsensitiveCuts(text, argument);
  checkDelimiters(text, argument);
  checkUnits(text);

  const QString replacement = reverse(argument);
  check(snrBatch(text, {argument, text}, {replacement}) == snr(text, argument, replacement));
  const QStringList listed = characters(argument);
  const QString trimmed = trimFromBoth(text, listed);
  check(trimmed.isEmpty() || (!listed.contains(trimmed.front()) && !listed.contains(trimmed.back())));
  if (!argument.isEmpty()) check(!cleanWithReplace(text, listed, QString()).contains(argument.front()));
  (void)titleCaseString(text);
  // A leading "é " (no prefix letter, then a breaker) changes nothing after it,
  // and sends plain ASCII down the general path.
  check(nameCaseString(u"\u00E9 "_qs + text) == u"\u00C9 "_qs + nameCaseString(text));
  (void)lowASCIIOnly(text, data[0] & 8);
  return 0;
}
