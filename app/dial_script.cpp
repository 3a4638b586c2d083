// The dial script: built from a record's number, run by our script runner,
// which hands the number to the dialer application.
#include "app/dialer.h"
#include "app/script_runner.h"
#include "text/string_core.h"

namespace {

const QString kDialerName = QStringLiteral("Telvane");

DialOutcome dialThroughApplication(const QString& application, const QString& number) {
  if (application != kDialerName)
    return {false, QStringLiteral("There is no application named \"%1\" to dial with.").arg(application), {}};
  return handNumberToDialer(number);
}

}  // namespace

std::optional<QString> dialScriptFor(const QVariant& number) {
  const std::optional<QString> text = numberText(number);
  if (!text || Tirr_NSStringAdditions::isBlankString(*text)) return std::nullopt;
  return QStringLiteral("try\n\ttell application \"") + kDialerName + QStringLiteral("\" to dial number \"") +
         Tirr_NSStringAdditions::addQuoteEscapes(*text) + QStringLiteral("\"\nend try");
}

DialOutcome runDialScript(const QString& script) {
  const dialscript::CompileResult compiled = dialscript::compile(script);
  if (!compiled.script)
    return {false, QStringLiteral("The dial script does not compile: ") + compiled.error, {}};
  if (compiled.script->statements.isEmpty())
    return {false, QStringLiteral("The dial script dials nothing."), {}};
  return dialscript::run(*compiled.script, dialThroughApplication).dial;
}
