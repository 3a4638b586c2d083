#include "text/string_regex.h"

#include <regex.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <QByteArrayView>
#include <algorithm>
#include <deque>
#include <limits>
#include <memory>
#include <vector>

#include "text/c_locales.h"
#include "text/paragraph_scanner.h"

namespace Tirr_NSStringAdditions {

namespace {

// What a look at a POSIX extended pattern's text tells about its matches.
// Both answers err on the safe side: a pattern the look cannot place counts
// as neither ASCII-only nor blind to what precedes it.
struct PatternTraits {
  // Every match is made of ASCII characters only, so matching bytes finds
  // exactly what matching characters finds, even over non-ASCII text.
  bool matchesAsciiOnly = true;
  // A match can depend on the text before it: "^", or a word-boundary or
  // buffer-start operator. A pattern without these that fails on a text
  // fails on every tail of it too.
  bool looksBehind = false;
};

constexpr PatternTraits kUnknownPattern{false, true};

// Answers the index of the "]" closing the bracket expression whose "[" is at
// `open`, or -1 when it does not close. Notes in `traits` what the expression
// may match.
qsizetype closeBracket(const QByteArray& pattern, qsizetype open, PatternTraits& traits) {
  const qsizetype n = pattern.size();
  qsizetype i = open + 1;
  if (i < n && pattern[i] == '^') {
    traits.matchesAsciiOnly = false;  // a negated set takes non-ASCII characters
    ++i;
  }
  if (i < n && pattern[i] == ']') ++i;  // a leading "]" is a member
  for (; i < n && pattern[i] != ']'; ++i) {
    const char c = pattern[i];
    // Classes, equivalence classes and collating elements follow the locale.
    if (c == '[' && i + 1 < n && QByteArrayView(":=.").contains(pattern[i + 1])) return -1;
    if (static_cast<unsigned char>(c) >= 0x80) traits.matchesAsciiOnly = false;
  }
  return i < n ? i : -1;
}

PatternTraits examine(const QByteArray& pattern, int flags) {
  PatternTraits traits;
  if (flags & REG_ICASE) traits.matchesAsciiOnly = false;  // case folding follows the locale
  const qsizetype n = pattern.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char c = pattern[i];
    if (c == '[') {
      i = closeBracket(pattern, i, traits);
      if (i < 0) return kUnknownPattern;
    } else if (c == '\\') {
      if (++i == n) return kUnknownPattern;
      const char escaped = pattern[i];
      if (QByteArrayView("<>bB`").contains(escaped)) traits.looksBehind = true;
      // Word and space classes, and the boundaries built on them, follow the locale.
      if (QByteArrayView("wWsSbB<>`'").contains(escaped) || static_cast<unsigned char>(escaped) >= 0x80)
        traits.matchesAsciiOnly = false;
    } else if (c == '^') {
      traits.looksBehind = true;
    } else if (c == '.' || static_cast<unsigned char>(c) >= 0x80) {
      traits.matchesAsciiOnly = false;
    }
  }
  return traits;
}

// A compiled POSIX extended expression, together with the locale it was
// compiled and runs under; both are released at the end of the scope.
class PosixRegex {
 public:
  PosixRegex(const QString& pattern, int flags) : PosixRegex(pattern.toUtf8(), flags) {}

  ~PosixRegex() {
    if (code_ == 0) regfree(&regex_);
  }
  PosixRegex(const PosixRegex&) = delete;
  PosixRegex& operator=(const PosixRegex&) = delete;

  [[nodiscard]] bool compiled() const { return code_ == 0; }
  [[nodiscard]] int compileCode() const { return code_; }
  [[nodiscard]] std::size_t subexpressionCount() const { return regex_.re_nsub; }
  [[nodiscard]] bool looksBehind() const { return traits_.looksBehind; }

  // Searches text[from, end) as a text of its own, so "^" matches at `from`;
  // a U+0000 inside does not end it. Offsets in `table` count from `from`.
  // Answers 0 on a match, else regexec's code (REG_ESPACE for a text beyond 2 GB).
  int search(const QByteArray& text, qsizetype from, regmatch_t* table, std::size_t entries) {
    // glibc's offsets are ints: a longer text would wrap them.
    if (text.size() - from > std::numeric_limits<regoff_t>::max()) return REG_ESPACE;
    table[0].rm_so = 0;
    table[0].rm_eo = static_cast<regoff_t>(text.size() - from);
    return regexec(&regex_, text.constData() + from, entries, table, REG_STARTEND);
  }

  // Answers the error value for a failing regcomp or regexec code, with
  // regerror's message cut to 255 bytes.
  [[nodiscard]] ErrorValue error(int code) const {
    ErrorValue value{kRegexErrorDomain, code, {}};
    char message[256];
    if (regerror(code, &regex_, message, sizeof message) != 0)
      value.userInfo.insert(kLocalizedDescriptionKey, QString::fromUtf8(message));
    return value;
  }

 private:
  PosixRegex(const QByteArray& pattern, int flags)
      : traits_(examine(pattern, flags)),
        // Matching bytes is several times faster than decoding characters
        // and, for a pattern that only takes ASCII, finds the same matches.
        locale_(traits_.matchesAsciiOnly ? cLocale() : utf8CharacterLocale()) {
    // regcomp stops at a NUL byte; a pattern holding one would silently lose
    // its tail, so it is refused instead.
    code_ = pattern.contains('\0') ? REG_BADPAT : regcomp(&regex_, pattern.constData(), flags);
  }

  PatternTraits traits_;
  ScopedThreadLocale locale_;
  regex_t regex_{};
  int code_ = 0;
};

// Walks a UTF-8 text from its start, keeping the byte offset and the matching
// UTF-16 offset together. Moves forward only, by whole characters.
class Utf8Cursor {
 public:
  explicit Utf8Cursor(const QByteArray& text) : data_(text.constData()), size_(text.size()) {}

  [[nodiscard]] qsizetype byte() const { return byte_; }
  [[nodiscard]] qsizetype unit() const { return unit_; }

  // Moves to byte offset `target`, or to the start of the character holding it.
  void advanceToByte(qsizetype target) {
    while (byte_ < target && byte_ + characterBytes() <= target) step();
  }

  // Moves to UTF-16 offset `target`, or just past the character holding it.
  void advanceToUnit(qsizetype target) {
    while (unit_ < target && byte_ < size_) step();
  }

  // Moves past one character; stays at the end of the text.
  void advanceCharacter() {
    if (byte_ < size_) step();
  }

 private:
  [[nodiscard]] qsizetype characterBytes() const {
    const auto lead = static_cast<unsigned char>(data_[byte_]);
    const qsizetype bytes = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return std::min(bytes, size_ - byte_);
  }

  void step() {
    const qsizetype bytes = characterBytes();
    byte_ += bytes;
    unit_ += bytes == 4 ? 2 : 1;  // four bytes encode a character beyond U+FFFF
  }

  const char* data_;
  qsizetype size_;
  qsizetype byte_ = 0;
  qsizetype unit_ = 0;
};

// Answers the ranges of the first `entries` table entries as UTF-16 ranges,
// converting all their byte offsets in one walk over the text.
QList<TextRange> unitRanges(const QByteArray& text, const regmatch_t* table, std::size_t entries) {
  std::vector<regoff_t> offsets;
  offsets.reserve(2 * entries);
  for (std::size_t k = 0; k < entries; ++k) {
    offsets.push_back(table[k].rm_so);
    offsets.push_back(table[k].rm_eo);
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  std::vector<qsizetype> units(offsets.size());
  Utf8Cursor cursor(text);
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    cursor.advanceToByte(offsets[i]);
    units[i] = cursor.unit();
  }
  auto unitAt = [&](regoff_t offset) {
    return units[std::lower_bound(offsets.begin(), offsets.end(), offset) - offsets.begin()];
  };
  QList<TextRange> ranges;
  ranges.reserve(qsizetype(entries));
  for (std::size_t k = 0; k < entries; ++k) {
    const qsizetype start = unitAt(table[k].rm_so);
    ranges.append({quint64(start), quint64(unitAt(table[k].rm_eo) - start)});
  }
  return ranges;
}

// A read-only ICU string over a Qt string's own code units.
icu::UnicodeString aliasOf(QStringView text) {
  return icu::UnicodeString(false, text.utf16(), static_cast<int32_t>(text.size()));
}

// Answers whether the ICU expression `pattern` matches all of `receiver`.
bool matchesEntirely(QStringView receiver, QStringView pattern) {
  constexpr qsizetype kMaxLength = std::numeric_limits<int32_t>::max();
  if (receiver.size() > kMaxLength || pattern.size() > kMaxLength) return false;
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(aliasOf(pattern), 0, status));
  if (U_FAILURE(status)) return false;
  const icu::UnicodeString text = aliasOf(receiver);
  const std::unique_ptr<icu::RegexMatcher> matcher(compiled->matcher(text, status));
  if (U_FAILURE(status)) return false;
  const bool matches = matcher->matches(status);
  return U_SUCCESS(status) && matches;
}

}  // namespace

QStringList substringsMatchingRegularExpression(const QString& receiver, const QString& pattern, qint64 count,
                                                quint64 options, QList<TextRange>* ranges,
                                                std::optional<ErrorValue>* error) {
  if (error) error->reset();
  if (count < -1) return {};
  int flags = static_cast<int>(static_cast<quint32>(options)) | REG_EXTENDED;
  // Under REG_NOSUB regexec fills no table; asking for subexpressions would
  // then report matches at offset 0 that never happened.
  if (count >= 0) flags &= ~REG_NOSUB;
  PosixRegex regex(pattern, flags);
  if (!regex.compiled()) {
    if (error) *error = regex.error(regex.compileCode());
    return {};
  }
  const QByteArray text = receiver.toUtf8();
  // Entries past the pattern's subexpressions would only ever hold -1, and
  // the walk below stops at the first -1: the table needs no more.
  const std::size_t entries =
      count < 0 ? 0 : std::size_t(std::min<quint64>(quint64(count), regex.subexpressionCount())) + 1;
  std::vector<regmatch_t> table(std::max<std::size_t>(entries, 1));
  if (const int code = regex.search(text, 0, table.data(), entries); code != 0) {
    if (error) *error = regex.error(code);
    return {};
  }
  if (count < 0) return {receiver};

  std::size_t taking = 0;  // the walk stops at the first group that took no part
  while (taking < entries && table[taking].rm_so >= 0 && table[taking].rm_eo >= 0) ++taking;
  const QList<TextRange> found = unitRanges(text, table.data(), taking);
  QStringList substrings;
  substrings.reserve(found.size());
  for (const TextRange& range : found)
    substrings.append(receiver.sliced(qsizetype(range.location), qsizetype(range.length)));
  if (ranges) *ranges = found;
  return substrings;
}

QStringList substringsMatchingRegularExpression(const QString& receiver, const QString& pattern) {
  PosixRegex regex(pattern, REG_EXTENDED);
  if (!regex.compiled()) return {};
  const QByteArray text = receiver.toUtf8();
  const qsizetype length = receiver.size();
  // The ranges are gathered first and the list is built once at its final
  // size: growing a list of a hundred thousand strings step by step copies
  // it over and over.
  std::deque<TextRange> matches;
  // Each search treats the text from `rest` on as a text of its own, exactly
  // as if the text before had been cut off.
  Utf8Cursor rest(text);
  for (;;) {
    regmatch_t match[1];
    if (regex.search(text, rest.byte(), match, 1) == 0) {
      Utf8Cursor start = rest;
      start.advanceToByte(rest.byte() + match[0].rm_so);
      Utf8Cursor end = start;
      end.advanceToByte(rest.byte() + match[0].rm_eo);
      matches.push_back({quint64(start.unit()), quint64(end.unit() - start.unit())});
      // An empty match right at the start would not move the scan on.
      if (end.unit() == rest.unit()) end.advanceCharacter();
      if (end.unit() >= length) break;
      rest = end;
    } else {
      // Nothing matches in the rest. Only a pattern that looks behind can
      // match once the start has moved on, so try again after the rest's
      // first line and the first code unit of its terminator.
      if (!regex.looksBehind()) break;
      qsizetype lineEnd = rest.unit();
      while (lineEnd < length && !ParagraphScanner::isTerminator(receiver[lineEnd].unicode())) ++lineEnd;
      if (length - lineEnd <= 1) break;
      rest.advanceToUnit(lineEnd + 1);
    }
  }
  QStringList found;
  found.reserve(qsizetype(matches.size()));
  for (const TextRange& range : matches)
    found.append(receiver.sliced(qsizetype(range.location), qsizetype(range.length)));
  return found;
}

bool grep(const QString& receiver, const QString& pattern, quint64 options) {
  return !substringsMatchingRegularExpression(receiver, pattern, -1, options, nullptr, nullptr).isEmpty();
}

bool validateWithRegEx(const QString& receiver, const QString& pattern) {
  return matchesEntirely(receiver, pattern);
}

bool isValidEmailAddress(const QString& receiver) {
  return matchesEntirely(receiver, u"^[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}$");
}

}  // namespace Tirr_NSStringAdditions
