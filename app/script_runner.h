// A small runner for the dial script, standing in for a general scripting
// component. It understands exactly this language:
//
//   script    := statement | "try" NEWLINE { statement NEWLINE } "end try"
//   statement := "tell application" STRING "to dial number" STRING
//
// Keywords are matched without regard to case and may be separated by any
// spaces or tabs; blank lines are ignored. A STRING stands in double quotes;
// inside it \" is a double quote, \\ a backslash, \n a line feed, \r a carriage
// return and \t a tab; any other backslash is a compile error. A raw line
// break inside a string is part of the string.
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

#include "app/call_list_io.h"

namespace dialscript {

struct DialStatement {
  QString application;  // unescaped
  QString number;       // unescaped
};

struct Script {
  bool guarded = false;  // inside try ... end try: failures are swallowed
  QList<DialStatement> statements;
};

struct CompileResult {
  std::optional<Script> script;
  QString error;  // when script is empty: what was wrong and on which line
};

// Compiles `source`; any text outside the language is an error.
// Example: compile("tell application \"A\" to dial number \"5\\\"5\"") -> A, 5"5.
[[nodiscard]] CompileResult compile(const QString& source);

// What one statement did; a failure raises inside the script.
using Dialer = std::function<DialOutcome(const QString& application, const QString& number)>;

struct RunResult {
  bool raised = false;  // an error escaped the script (no try block around it)
  DialOutcome dial;     // the outcome of the last statement run
};

// Runs the statements in order through `dialer`. The first failing statement
// ends the run; inside try ... end try its error is swallowed.
[[nodiscard]] RunResult run(const Script& script, const Dialer& dialer);

}  // namespace dialscript
