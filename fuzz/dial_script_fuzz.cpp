// The dial script meets numbers from call-list files. Two properties, for any
// bytes: the compiler answers a script or an error and never crashes; and any
// text used as a number survives the trip into the script and out of the
// compiler as exactly one statement that dials exactly that text.
#include <cstdint>
#include <cstdlib>

#include "app/call_list_io.h"
#include "app/script_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

  const dialscript::CompileResult any = dialscript::compile(text);
  if (any.script.has_value() == !any.error.isEmpty()) std::abort();

  const std::optional<QString> script = dialScriptFor(text);
  if (text.isEmpty()) {
    if (script) std::abort();  // a blank number dials nothing
    return 0;
  }
  if (!script) std::abort();
  const dialscript::CompileResult compiled = dialscript::compile(*script);
  if (!compiled.script || !compiled.script->guarded || compiled.script->statements.size() != 1) std::abort();
  QList<QString> dialled;
  const dialscript::RunResult result =
      dialscript::run(*compiled.script, [&](const QString& application, const QString& number) {
        if (application != QLatin1String("Telvane")) std::abort();
        dialled.append(number);
        return DialOutcome{true, {}, {}};
      });
  if (result.raised || dialled != QList<QString>{text}) std::abort();
  return 0;
}
