#include "text/string_regex.h"

#include <gtest/gtest.h>
#include <regex.h>

#include <limits>

#include "testsupport/qt_printers.h"
#include "text/c_locales.h"

using namespace Tirr_NSStringAdditions;

void PrintTo(const TextRange& r, std::ostream* os) { *os << "(" << r.location << ", " << r.length << ")"; }

void PrintTo(const ErrorValue& e, std::ostream* os) {
  *os << e.domain.toStdString() << " " << e.code << " " << ::testing::PrintToString(e.userInfo);
}

namespace {

// The error value for a regcomp or regexec `code`, its message taken from
// glibc itself so that no expected message is written out by hand.
ErrorValue glibcError(int code) {
  const ScopedThreadLocale locale(utf8CharacterLocale());
  regex_t unused{};
  char message[256];
  regerror(code, &unused, message, sizeof message);
  return {kRegexErrorDomain, code, {{kLocalizedDescriptionKey, QString::fromUtf8(message)}}};
}

// The code glibc's regcomp gives for a pattern, asked of glibc directly.
int glibcCompileCode(const char* pattern) {
  const ScopedThreadLocale locale(utf8CharacterLocale());
  regex_t regex;
  const int code = regcomp(&regex, pattern, REG_EXTENDED);
  if (code == 0) regfree(&regex);
  return code;
}

const TextRange kUntouched{777, 777};

TEST(StringRegex, FirstMatchAndSubexpressions) {
  constexpr qint64 kHuge = std::numeric_limits<qint64>::max();
  const struct {
    QString text, pattern;
    qint64 count;
    quint64 options;
    QStringList found;
    QList<TextRange> ranges;  // {kUntouched} where the caller's list must stay as it was
  } cases[] = {
      {u"abc"_qs, u"b"_qs, -1, 0, {u"abc"_qs}, {kUntouched}},
      {u"abbbc"_qs, u"b+"_qs, 0, 0, {u"bbb"_qs}, {{1, 3}}},
      // The walk stops at the unmatched second group; the third is dropped.
      {u"xac"_qs, u"(a)(b)?(c)"_qs, 3, 0, {u"ac"_qs, u"a"_qs}, {{1, 2}, {1, 1}}},
      {u"xabc"_qs, u"(a)(b)(c)"_qs, 1, 0, {u"abc"_qs, u"a"_qs}, {{1, 3}, {1, 1}}},
      {u"xabc"_qs,
       u"(a)(b)(c)"_qs,
       9,
       0,
       {u"abc"_qs, u"a"_qs, u"b"_qs, u"c"_qs},
       {{1, 3}, {1, 1}, {2, 1}, {3, 1}}},
      {u"abc"_qs, u"(b)"_qs, kHuge, 0, {u"b"_qs, u"b"_qs}, {{1, 1}, {1, 1}}},
      {u"aXbc"_qs, u"(x)(b)"_qs, 2, REG_ICASE, {u"Xb"_qs, u"X"_qs, u"b"_qs}, {{1, 2}, {1, 1}, {2, 1}}},
      {u"a\nb"_qs, u"^b"_qs, 0, REG_NEWLINE, {u"b"_qs}, {{2, 1}}},
      {u"a\nb"_qs, u"a.b"_qs, 0, 0, {u"a\nb"_qs}, {{0, 3}}},
      // REG_NOSUB is dropped when subexpressions are asked for.
      {u"xyz"_qs, u"(y)"_qs, 1, REG_NOSUB, {u"y"_qs, u"y"_qs}, {{1, 1}, {1, 1}}},
      {u"xyz"_qs, u"y"_qs, -1, REG_NOSUB, {u"xyz"_qs}, {kUntouched}},
      // Positions count UTF-16 code units, and "." takes whole characters.
      {u"\u00E9b"_qs, u"b"_qs, 0, 0, {u"b"_qs}, {{1, 1}}},
      {u"\U0001F600x"_qs, u"x"_qs, 0, 0, {u"x"_qs}, {{2, 1}}},
      {u"a\U0001F600b"_qs, u"a(.)b"_qs, 1, 0, {u"a\U0001F600b"_qs, u"\U0001F600"_qs}, {{0, 4}, {1, 2}}},
      {u"\u00E9t\u00E9"_qs, u"[^t]$"_qs, 0, 0, {u"\u00E9"_qs}, {{2, 1}}},
      {u"na\u00EFve caf\u00E9"_qs,
       u"caf(\u00E9)"_qs,
       1,
       0,
       {u"caf\u00E9"_qs, u"\u00E9"_qs},
       {{6, 4}, {9, 1}}},
      {u"\u00C9COLE"_qs, u"\u00E9c"_qs, 0, REG_ICASE, {u"\u00C9C"_qs}, {{0, 2}}},
      {u"\U0001F600\U0001F601"_qs, u"[\U0001F601]"_qs, 0, 0, {u"\U0001F601"_qs}, {{2, 2}}},
      // U+0000 does not end the text; a lone surrogate is one unit like any other.
      {u"a\0b"_qs, u"b"_qs, 0, 0, {u"b"_qs}, {{2, 1}}},
      {QString(QChar(0xD800)) + u"b"_qs, u"b"_qs, 0, 0, {u"b"_qs}, {{1, 1}}},
      {u""_qs, u"x*"_qs, 0, 0, {u""_qs}, {{0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pattern) + " on " + ::testing::PrintToString(c.text));
    QList<TextRange> ranges{kUntouched};
    std::optional<ErrorValue> error = ErrorValue{};
    EXPECT_EQ(substringsMatchingRegularExpression(c.text, c.pattern, c.count, c.options, &ranges, &error),
              c.found);
    EXPECT_EQ(ranges, c.ranges);
    EXPECT_EQ(error, std::nullopt);
    // Without out-references the result is the same.
    EXPECT_EQ(substringsMatchingRegularExpression(c.text, c.pattern, c.count, c.options, nullptr, nullptr),
              c.found);
  }
}

TEST(StringRegex, CountMinusOneAnswersTheReceiverItself) {
  const QString text = QString::fromUtf8("shared text");
  const QStringList found = substringsMatchingRegularExpression(text, u"text"_qs, -1, 0, nullptr, nullptr);
  ASSERT_EQ(found.size(), 1);
  EXPECT_TRUE(found.front().isSharedWith(text));
}

TEST(StringRegex, FailuresGiveAnEmptyListAndAnErrorValue) {
  const struct {
    QString text, pattern;
    qint64 count;
    quint64 options;
    int code;
  } cases[] = {
      {u"abc"_qs, u"z"_qs, 0, 0, REG_NOMATCH},
      {u"abc"_qs, u"z"_qs, -1, 0, REG_NOMATCH},
      {u"ABC"_qs, u"b"_qs, 0, 0, REG_NOMATCH},
      {u"a\nb"_qs, u"a.b"_qs, 0, REG_NEWLINE, REG_NOMATCH},
      {u"a\nb"_qs, u"^b"_qs, 0, 0, REG_NOMATCH},
      {u"abc"_qs, u"("_qs, 0, 0, glibcCompileCode("(")},
      {u"abc"_qs, u"[a"_qs, -1, 0, glibcCompileCode("[a")},
      {u"abc"_qs, u"a{2,1}"_qs, 2, 0, glibcCompileCode("a{2,1}")},
      {u"abc"_qs, u"\\"_qs, 0, 0, glibcCompileCode("\\")},
      {u"abc"_qs, u"[[:nope:]]"_qs, 0, 0, glibcCompileCode("[[:nope:]]")},
      // regcomp would read only up to the U+0000 and match "a" alone.
      {u"abc"_qs, u"a\0z"_qs, 0, 0, REG_BADPAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pattern) + " on " + ::testing::PrintToString(c.text));
    ASSERT_NE(c.code, 0);
    QList<TextRange> ranges{kUntouched};
    std::optional<ErrorValue> error;
    EXPECT_EQ(substringsMatchingRegularExpression(c.text, c.pattern, c.count, c.options, &ranges, &error),
              QStringList());
    EXPECT_EQ(error, glibcError(c.code));
    EXPECT_EQ(ranges, QList<TextRange>{kUntouched});
  }
}

TEST(StringRegex, CountBelowMinusOneIsRefusedWithoutError) {
  QList<TextRange> ranges{kUntouched};
  std::optional<ErrorValue> error = ErrorValue{};
  for (const qint64 count : {qint64(-2), std::numeric_limits<qint64>::min()}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(substringsMatchingRegularExpression(u"abc"_qs, u"b"_qs, count, 0, &ranges, &error),
              QStringList());
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(ranges, QList<TextRange>{kUntouched});
  }
}

TEST(StringRegex, LeavesTheThreadLocaleAsItWas) {
  const locale_t before = uselocale(locale_t(nullptr));
  EXPECT_FALSE(substringsMatchingRegularExpression(u"\u00E9"_qs, u"."_qs).isEmpty());
  EXPECT_FALSE(substringsMatchingRegularExpression(u"a1"_qs, u"[0-9]"_qs, 0, 0, nullptr, nullptr).isEmpty());
  EXPECT_EQ(uselocale(locale_t(nullptr)), before);
}

TEST(StringRegex, AllMatches) {
  const struct {
    QString text, pattern;
    QStringList found;
  } cases[] = {
      {u"a1b22c333"_qs, u"[0-9]+"_qs, {u"1"_qs, u"22"_qs, u"333"_qs}},
      {u"abc"_qs, u"[0-9]+"_qs, {}},
      {u""_qs, u"[0-9]+"_qs, {}},
      {u"abc"_qs, u"("_qs, {}},
      // After a failed search the scan resumes on the next line, where "^"
      // matches again; each search also starts just behind the last match.
      {u"x1\nx2\ny"_qs, u"^x"_qs, {u"x"_qs, u"x"_qs}},
      {u"xx\nx"_qs, u"^x"_qs, {u"x"_qs, u"x"_qs, u"x"_qs}},
      {u"x1\r\nx2\rx3\u2028x4\u0085x5"_qs, u"^x"_qs, {u"x"_qs, u"x"_qs, u"x"_qs, u"x"_qs, u"x"_qs}},
      {u"ab\ncd\nxe"_qs, u"^x"_qs, {u"x"_qs}},
      {u"qb\nb"_qs, u"a|^b"_qs, {u"b"_qs}},
      {u"ab cd"_qs, u"\\<[a-z]"_qs, {u"a"_qs, u"b"_qs, u"c"_qs, u"d"_qs}},
      {u"one two\nthree"_qs, u"[a-z]+$"_qs, {u"three"_qs}},
      {u"a\nb"_qs, u"a$"_qs, {}},
      // Empty matches move the scan on by one character, so it always ends.
      {u"abc"_qs, u"x*"_qs, {u""_qs, u""_qs, u""_qs}},
      {u"ab"_qs, u"b*"_qs, {u""_qs, u"b"_qs}},
      {u""_qs, u"x*"_qs, {u""_qs}},
      {u"\U0001F600\U0001F600"_qs, u"x*"_qs, {u""_qs, u""_qs}},
      // Characters, not bytes, over non-ASCII text.
      {u"\u00E91\u00E922"_qs, u"[0-9]+"_qs, {u"1"_qs, u"22"_qs}},
      {u"\u00E91\U0001F600"_qs, u"[^0-9]"_qs, {u"\u00E9"_qs, u"\U0001F600"_qs}},
      {u"\U0001F600a\u00E9"_qs, u"."_qs, {u"\U0001F600"_qs, u"a"_qs, u"\u00E9"_qs}},
      {u"a\0b1\0c22"_qs, u"[0-9]+"_qs, {u"1"_qs, u"22"_qs}},
      {u"ab\nab"_qs, u"b\nab"_qs, {u"b\nab"_qs}},
      {u"[x]^y"_qs, u"[]^x[]"_qs, {u"["_qs, u"x"_qs, u"]"_qs, u"^"_qs}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pattern) + " on " + ::testing::PrintToString(c.text));
    EXPECT_EQ(substringsMatchingRegularExpression(c.text, c.pattern), c.found);
  }
}

TEST(StringRegex, Grep) {
  const struct {
    QString text, pattern;
    quint64 options;
    bool found;
  } cases[] = {
      {u"hello"_qs, u"l+"_qs, 0, true},   {u"hello"_qs, u"z"_qs, 0, false},
      {u"hello"_qs, u"("_qs, 0, false},   {u"HELLO"_qs, u"l+"_qs, REG_ICASE, true},
      {u"HELLO"_qs, u"l+"_qs, 0, false},  {u"a\nb"_qs, u"^b$"_qs, REG_NEWLINE, true},
      {u""_qs, u"^$"_qs, 0, true},        {u"x\0y"_qs, u"y"_qs, 0, true},
      {u"\u00E9"_qs, u"^.$"_qs, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pattern) + " on " + ::testing::PrintToString(c.text));
    EXPECT_EQ(grep(c.text, c.pattern, c.options), c.found);
  }
}

TEST(StringRegex, ValidateWithRegExMatchesTheWholeText) {
  const struct {
    QString text, pattern;
    bool valid;
  } cases[] = {
      {u"abc"_qs, u"b"_qs, false},
      {u"abc"_qs, u"a.c"_qs, true},
      {u"abc"_qs, u"abc|b"_qs, true},
      {u"abcd"_qs, u"a.c"_qs, false},
      {u"a\nc"_qs, u"a.c"_qs, false},
      {u"\U0001F600"_qs, u"."_qs, true},
      {u"555-1234"_qs, u"\\d{3}-\\d{4}"_qs, true},
      {u""_qs, u""_qs, true},
      {u"abc"_qs, u"[a"_qs, false},  // not a valid expression
      {u"a\0c"_qs, u"a\\x{0}c"_qs, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pattern) + " on " + ::testing::PrintToString(c.text));
    EXPECT_EQ(validateWithRegEx(c.text, c.pattern), c.valid);
  }
}

TEST(StringRegex, IsValidEmailAddress) {
  const struct {
    QString text;
    bool valid;
  } cases[] = {
      {u"user@example.com"_qs, true},
      {u"a.b_c%d+e-f@x-y.z.co"_qs, true},
      {u"U@E.DE"_qs, true},
      {u"user@example.info"_qs, true},
      {u"user@example.c"_qs, false},       // final part of one letter
      {u"user@example.museum"_qs, false},  // of five letters
      {u"user@example.c0m"_qs, false},
      {u"userexample.com"_qs, false},
      {u"@example.com"_qs, false},
      {u"user@.com"_qs, false},
      {u"us er@example.com"_qs, false},
      {u" user@example.com"_qs, false},
      {u"user@example.com "_qs, false},
      {u"user@example.com\n"_qs, false},
      {u"\u00FCser@example.com"_qs, false},
      {u"a@b@example.com"_qs, false},
      {u""_qs, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(isValidEmailAddress(c.text), c.valid);
  }
}

}  // namespace
