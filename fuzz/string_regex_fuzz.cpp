// Fuzzes the POSIX matching operations. The first byte picks the count and the
// regcomp options; the rest is the pattern, a 0xFF byte (never part of UTF-8),
// then the text. Checks, for any input:
//  - the first match agrees with glibc asked directly under a UTF-8 locale,
//    its byte offsets converted the slow way (re-encoding prefixes), with the
//    same error code when it fails;
//  - every range lies inside the text, on character boundaries, and its
//    substring is the text's own at that range;
//  - all matches agree with a literal transcription of the scan: cut the text
//    behind each match, drop a line after each failed search.
#include <regex.h>

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "text/c_locales.h"
#include "text/string_core.h"
#include "text/string_regex.h"

using namespace Tirr_NSStringAdditions;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool splitsPair(const QString& text, qsizetype at) {
  return at > 0 && at < text.size() && text[at - 1].isHighSurrogate() && text[at].isLowSurrogate();
}

struct Reference {
  int code = 0;
  QList<TextRange> ranges;
};

// glibc's own first match, with offsets converted by re-encoding each prefix.
Reference glibcFirstMatch(const QString& text, const QString& pattern, qint64 count, int flags) {
  const ScopedThreadLocale locale(utf8CharacterLocale());
  const QByteArray bytes = text.toUtf8();
  const QByteArray patternBytes = pattern.toUtf8();
  if (patternBytes.contains('\0')) return {REG_BADPAT, {}};
  regex_t regex;
  if (const int code = regcomp(&regex, patternBytes.constData(), flags)) return {code, {}};
  const std::size_t entries = count < 0 ? 0 : std::min<std::size_t>(std::size_t(count), regex.re_nsub) + 1;
  std::vector<regmatch_t> table(entries + 1);
  table[0].rm_so = 0;
  table[0].rm_eo = regoff_t(bytes.size());
  Reference found;
  found.code = regexec(&regex, bytes.constData(), entries, table.data(), REG_STARTEND);
  regfree(&regex);
  if (found.code != 0 || count < 0) return found;
  for (std::size_t k = 0; k < entries && table[k].rm_so >= 0 && table[k].rm_eo >= 0; ++k) {
    const qsizetype start = QString::fromUtf8(bytes.left(table[k].rm_so)).size();
    const qsizetype end = QString::fromUtf8(bytes.left(table[k].rm_eo)).size();
    found.ranges.append({quint64(start), quint64(end - start)});
  }
  return found;
}

// Every successive match, literally: search the rest, cut it behind the
// match, or after a failure drop its first line and one more code unit; an
// empty match at the start moves on by one character.
QStringList literalAllMatches(const QString& text, const QString& pattern) {
  QStringList collected;
  QString rest = text;
  for (;;) {
    QList<TextRange> ranges;
    collected += substringsMatchingRegularExpression(rest, pattern, 0, 0, &ranges, nullptr);
    qsizetype advance = 1;
    if (!ranges.isEmpty()) {
      advance = qsizetype(ranges.back().location + ranges.back().length);
      if (advance == 0) advance = splitsPair(rest, 1) ? 2 : 1;
    } else if (const QStringList lines = paragraphs(rest); !lines.isEmpty()) {
      rest = deprefix(rest, lines.front());
    }
    if (rest.size() <= advance) return collected;
    rest = rest.sliced(advance);
  }
}

// Patterns that glibc handles in exponential time or space, which would
// only slow the fuzzing down: back-references make its matcher exponential,
// and regcomp copies the operand of every "+" and "{m,n}", so stacked
// repetitions multiply the compiled size.
bool isCostly(const QString& pattern) {
  double copies = 1;
  for (qsizetype i = 0; i < pattern.size(); ++i) {
    const QChar c = pattern[i];
    if (c == u'\\' && i + 1 < pattern.size()) {
      if (pattern[++i] >= u'1' && pattern[i] <= u'9') return true;
    } else if (c == u'+') {
      copies *= 2;
    } else if (c == u'{') {
      int bound = 1;
      for (int number = 0; ++i < pattern.size() && (pattern[i].isDigit() || pattern[i] == u',');) {
        number = pattern[i] == u',' ? 0 : std::min(number * 10 + pattern[i].digitValue(), 100000);
        bound = std::max(bound, number);
      }
      copies *= bound + 1;
    }
  }
  return copies > 4096;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char* begin = reinterpret_cast<const char*>(data + 1);
  const char* end = reinterpret_cast<const char*>(data + size);
  const char* separator = std::find(begin, end, '\xFF');
  const QString pattern = QString::fromUtf8(begin, separator - begin);
  const QString text = separator == end ? pattern : QString::fromUtf8(separator + 1, end - separator - 1);
  if (pattern.size() > 64 || text.size() > 512 || isCostly(pattern)) return 0;

  const std::uint8_t selector = data[0];
  const qint64 kCounts[] = {-1, 0, 1, 2, 3, 5, 9, std::numeric_limits<qint64>::max()};
  const qint64 count = kCounts[selector & 7];
  const quint64 options = ((selector & 8) ? REG_ICASE : 0) | ((selector & 16) ? REG_NEWLINE : 0) |
                          ((selector & 32) ? REG_NOSUB : 0);

  QList<TextRange> ranges{{999, 999}};
  std::optional<ErrorValue> error;
  const QStringList found =
      substringsMatchingRegularExpression(text, pattern, count, options, &ranges, &error);
  int flags = int(options) | REG_EXTENDED;
  if (count >= 0) flags &= ~REG_NOSUB;
  const Reference expected = glibcFirstMatch(text, pattern, count, flags);
  if (expected.code != 0) {
    check(found.isEmpty() && error && error->code == expected.code && error->domain == kRegexErrorDomain);
    check(ranges == QList<TextRange>{{999, 999}});
  } else if (count < 0) {
    check(!error && found == QStringList{text} && ranges == QList<TextRange>{{999, 999}});
  } else {
    check(!error && ranges == expected.ranges && found.size() == ranges.size());
    check(quint64(found.size()) <= quint64(count) + 1);
    for (qsizetype k = 0; k < found.size(); ++k) {
      const TextRange& r = ranges[k];
      check(r.location + r.length <= quint64(text.size()));
      check(!splitsPair(text, qsizetype(r.location)) && !splitsPair(text, qsizetype(r.location + r.length)));
      check(found[k] == text.sliced(qsizetype(r.location), qsizetype(r.length)));
    }
  }
  // REG_NOSUB, the only flag that differs, does not change whether it matches.
  check(grep(text, pattern, options) == (expected.code == 0));

  if (text.size() <= 256)
    check(substringsMatchingRegularExpression(text, pattern) == literalAllMatches(text, pattern));
  return 0;
}
