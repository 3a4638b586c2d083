#include "app/script_runner.h"

#include <gtest/gtest.h>

#include "testsupport/qt_printers.h"

namespace {

using dialscript::compile;

TEST(DialScriptCompiler, ReadsTheLanguageAndDecodesEscapes) {
  const struct {
    QString source;
    bool guarded;
    QStringList dialled;  // application and number of each statement
  } cases[] = {
      {QStringLiteral("try\n\ttell application \"Telvane\" to dial number \"555 1234\"\nend try"),
       true,
       {"Telvane", "555 1234"}},
      {QStringLiteral("tell application \"Telvane\" to dial number \"5\""), false, {"Telvane", "5"}},
      {QStringLiteral("\r\nTRY\r\n  Tell  Application \"A\"\tto dial NUMBER \"1\"\r\n\r\n"
                      "tell application \"B\" to dial number \"2\"\nend   try\n\n"),
       true,
       {"A", "1", "B", "2"}},
      {QStringLiteral("try\nend try"), true, {}},
      {QStringLiteral("tell application \"T\" to dial number \"a\\\"b\\\\c\\n\\t\\r\""),
       false,
       {"T", "a\"b\\c\n\t\r"}},
      {QStringLiteral("tell application \"T\" to dial number \"line\nbreak\""), false, {"T", "line\nbreak"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.toStdString());
    const dialscript::CompileResult result = compile(c.source);
    ASSERT_TRUE(result.script.has_value()) << result.error.toStdString();
    EXPECT_EQ(result.script->guarded, c.guarded);
    QStringList dialled;
    for (const dialscript::DialStatement& s : result.script->statements) dialled << s.application << s.number;
    EXPECT_EQ(dialled, c.dialled);
  }
}

TEST(DialScriptCompiler, RejectsAnythingElse) {
  const struct {
    QString source;
    QString error;
  } cases[] = {
      {QString(), QStringLiteral("line 1: expected \"tell\" but found the end of the script")},
      {QStringLiteral("try\ntell application \"T\" to dial number \"5\""),
       QStringLiteral("line 2: expected a line break but found the end of the script")},
      {QStringLiteral("try\ntell application \"T\" to dial number \"5\"\n"),
       QStringLiteral("line 3: \"end try\" is missing")},
      {QStringLiteral("try tell application \"T\" to dial number \"5\"\nend try"),
       QStringLiteral("line 1: expected a line break but found \"tell\"")},
      {QStringLiteral("tell application \"T\" to dial number \"5"),
       QStringLiteral("line 1: a string is not closed")},
      {QStringLiteral("tell application \"T\" to dial number \"5\\x\""),
       QStringLiteral("line 1: unknown escape \"\\x\" in a string")},
      {QStringLiteral("tell application \"T\" to call number \"5\""),
       QStringLiteral("line 1: expected \"dial\" but found \"call\"")},
      {QStringLiteral("tell application T to dial number \"5\""),
       QStringLiteral("line 1: expected a string but found \"T\"")},
      {QStringLiteral("tell application \"T\" to dial number \"5\"; do shell script \"x\""),
       QStringLiteral("line 1: unexpected character \";\"")},
      {QStringLiteral("tell application \"T\" to dial number \"5\"\nend try"),
       QStringLiteral("line 2: unexpected \"end\"")},
      {QStringLiteral("try\ntell application \"T\" to dial number \"5\"\nend try\ntry"),
       QStringLiteral("line 4: unexpected \"try\"")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.toStdString());
    const dialscript::CompileResult result = compile(c.source);
    EXPECT_FALSE(result.script.has_value());
    EXPECT_EQ(result.error, c.error);
  }
}

TEST(DialScriptRunner, StopsAtTheFirstFailureAndSwallowsItInsideTry) {
  QStringList calls;
  const dialscript::Dialer dialer = [&](const QString& application, const QString& number) {
    calls << number;
    return application == QLatin1String("ok") ? DialOutcome{true, {}, {}}
                                              : DialOutcome{false, QStringLiteral("no"), {}};
  };
  const QString body = QStringLiteral(
      "tell application \"ok\" to dial number \"1\"\n"
      "tell application \"bad\" to dial number \"2\"\n"
      "tell application \"ok\" to dial number \"3\"\n");
  const dialscript::RunResult guarded =
      run(*compile(QStringLiteral("try\n") + body + QStringLiteral("end try")).script, dialer);
  EXPECT_EQ(calls, QStringList({"1", "2"}));
  EXPECT_FALSE(guarded.raised);
  EXPECT_FALSE(guarded.dial.reached);
  EXPECT_EQ(guarded.dial.problem, QStringLiteral("no"));

  calls.clear();
  const dialscript::RunResult bare =
      run(*compile(QStringLiteral("tell application \"bad\" to dial number \"2\"")).script, dialer);
  EXPECT_TRUE(bare.raised);
  EXPECT_EQ(calls, QStringList({"2"}));
}

}  // namespace
