#include "collections/delimited_line.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "collections/delimited_reference.h"
#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

struct LineCase {
  QString line, delimiter;
  QStringList fields;
};

void expectFields(std::initializer_list<LineCase> cases) {
  for (const LineCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.line) + " split at " + ::testing::PrintToString(c.delimiter));
    EXPECT_EQ(arrayByParsingLineDelimitedWithDelimiter(c.line, c.delimiter), c.fields);
  }
}

TEST(DelimitedLine, WorkedExamples) {
  const QString comma = u","_qs;
  expectFields({
      {u"a,b,c"_qs, comma, {u"a"_qs, u"b"_qs, u"c"_qs}},
      {u"a,,c,"_qs, comma, {u"a"_qs, u""_qs, u"c"_qs, u""_qs}},
      {u""_qs, comma, {u""_qs}},
      {u" a , b "_qs, comma, {u"a"_qs, u"b"_qs}},
      {u"\"Smith, John\",555-1234"_qs, comma, {u"Smith, John"_qs, u"555-1234"_qs}},
      {u"\"say \"\"hi\"\"\",x"_qs, comma, {u"say \"hi\""_qs, u"x"_qs}},
      {u"a,\"\",b"_qs, comma, {u"a"_qs, u"\""_qs, u"b"_qs}},
      {u"a, \"b\""_qs, comma, {u"a"_qs, u"\"b"_qs}},
      {u"\",\",x"_qs, comma, {u""_qs, u""_qs, u"x"_qs}},
      {u"x,\"a,b"_qs, comma, {u"x"_qs}},
      {u"ab\"c,d"_qs, comma, {u"ab\"c"_qs, u"d"_qs}},
      {u"\"\"\"abc\"\"\""_qs, comma, {u"\"\"abc\""_qs}},
      {u"a\t\"b\tc\"\td"_qs, u"\t"_qs, {u"a"_qs, u"b\tc"_qs, u"d"_qs}},
  });
}

TEST(DelimitedLine, EdgeCases) {
  const QString comma = u","_qs;
  expectFields({
      {u","_qs, comma, {u""_qs, u""_qs}},
      {u"\"a,b,c\",d"_qs, comma, {u"a,b,c"_qs, u"d"_qs}},
      {u"x<<quote>>y"_qs, comma, {u"x\"y"_qs}},
      {u"a::b:c"_qs, u"::"_qs, {u"a"_qs, u"b:c"_qs}},
      {u"a:::b"_qs, u"::"_qs, {u"a"_qs, u":b"_qs}},
      {u" a\n,\rb\u2028"_qs, comma, {u"a"_qs, u"b"_qs}},  // newlines trim like spaces
      {u"\u00A0x\u3000"_qs, comma, {u"x"_qs}},            // and so do Unicode spaces
      {u"\"\",\"\"\"\""_qs, comma, {u"\""_qs, u"\"\""_qs}},
      {u"\""_qs, comma, {u""_qs}},  // a lone quote opens nothing
      {u"\"a,\"\"b\"\",c\""_qs, comma, {u"a,\"b\",c"_qs}},
      {u"\"a\",\"b"_qs, comma, {u"a"_qs}},            // the open field and the rest go
      {u"\"a,b\"c,d\""_qs, comma, {u"a,b\"c,d"_qs}},  // closed only by a piece ending in a quote
      {u"\"  \"\"x\"\"  \""_qs, comma, {u"\"x\""_qs}},
      {u"\U0001F600,e\u0301"_qs, comma, {u"\U0001F600"_qs, u"e\u0301"_qs}},
      {u"a\"b\"c"_qs, u"\""_qs, {u"a"_qs, u"b"_qs, u"c"_qs}},  // the quote itself as delimiter
      {u"a<<quote>b"_qs, u"<"_qs, {u"a"_qs, u""_qs, u"quote>b"_qs}},
      {u"\"a,b\" ,c"_qs, comma, {}},  // a space after the closing quote keeps the field open
  });
}

TEST(DelimitedLine, EmptyDelimiterGivesTheWholeLineAsOneField) {
  expectFields({
      {u" a,b "_qs, u""_qs, {u"a,b"_qs}},
      {u"\"open"_qs, u""_qs, {u"open"_qs}},
      {u"\"x\"\"y\""_qs, u""_qs, {u"x\"y"_qs}},
  });
}

TEST(DelimitedLine, FixedDelimiterForms) {
  EXPECT_EQ(arrayByParsingTSVLine(u"a\t\"b\tc\"\td"_qs), (QStringList{u"a"_qs, u"b\tc"_qs, u"d"_qs}));
  EXPECT_EQ(arrayByParsingCSVLine(u"a\t,b"_qs), (QStringList{u"a"_qs, u"b"_qs}));
}

TEST(DelimitedLine, AMillionFields) {
  QString line = QString(u",x"_qs).repeated(1'000'000);
  const QStringList fields = arrayByParsingCSVLine(line);
  ASSERT_EQ(fields.size(), 1'000'001);
  EXPECT_EQ(fields.front(), u""_qs);
  EXPECT_EQ(fields.back(), u"x"_qs);
  line.prepend(u"\"a"_qs);  // now one quoted field that never closes
  EXPECT_EQ(arrayByParsingCSVLine(line).size(), 0);
}

// The fast scanner against a literal transcription of the rules, on lines
// made of the characters and pieces the rules treat specially.
TEST(DelimitedLine, AgreesWithTheRulesOnRandomLines) {
  const QString atoms[] = {u"a"_qs,          u" "_qs,         u"\""_qs,       u"\"\""_qs,
                           u","_qs,          u"\t"_qs,        u"::"_qs,       u":"_qs,
                           u"<"_qs,          u"<<quote>>"_qs, u"\n"_qs,       u"\u00E9"_qs,
                           u"\U0001F600"_qs, u"\u2028"_qs,    u"<<quote>"_qs, u">"_qs};
  const QString delimiters[] = {u","_qs,   u"\t"_qs, u"::"_qs,   u"\""_qs,
                                u"\","_qs, u"<"_qs,  u"a\"a"_qs, u""_qs};
  QRandomGenerator random(42);
  for (int round = 0; round < 40000; ++round) {
    QString line;
    for (int n = random.bounded(14); n > 0; --n) line += atoms[random.bounded(int(std::size(atoms)))];
    const QString& delimiter = delimiters[random.bounded(int(std::size(delimiters)))];
    SCOPED_TRACE(::testing::PrintToString(line) + " split at " + ::testing::PrintToString(delimiter));
    ASSERT_EQ(arrayByParsingLineDelimitedWithDelimiter(line, delimiter),
              delimited_reference::parseLine(line, delimiter));
  }
}

}  // namespace
