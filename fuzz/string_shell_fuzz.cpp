// Quoted forms carry text into shells and scripts. For any input:
// - the shell word, read by the quoting rules POSIX sh and bash share
//   (backslash takes the next character, apostrophes take everything up to
//   the next one), is exactly the input, and no character outside those
//   quotes means anything to either shell;
// - the script-source form, read as the inside of a double-quoted string,
//   is exactly the input and never ends the string early;
// - unquotedForm() inverts quotedForm().
// With TELVANE_FUZZ_REAL_SHELLS=1 every input (without U+0000, which no
// command line can carry) also goes through `sh -c` and `bash -c` running
// `printf %s WORD`, which must print the input: slower, so a separate mode.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "text/string_quoting.h"

using namespace Tirr_NSStringAdditions;

extern char** environ;

namespace {

// Characters that keep no literal meaning unquoted in sh or bash.
bool isMeaningfulToShells(char16_t c) {
  return QStringView(u"\\!\"#$%&'()*;<=>?[]`|~ \t\n{},^").contains(QChar(c));
}

QString readShellWord(const QString& word) {
  QString out;
  for (qsizetype i = 0; i < word.size(); ++i) {
    const char16_t c = word[i].unicode();
    if (c == u'\\') {
      if (++i == word.size() || word[i] == u'\n') std::abort();  // dangling or line continuation
      out += word[i];
    } else if (c == u'\'') {
      const qsizetype close = word.indexOf(u'\'', i + 1);
      if (close < 0) std::abort();
      out += QStringView(word).sliced(i + 1, close - i - 1);
      i = close;
    } else {
      if (isMeaningfulToShells(c)) std::abort();
      out += word[i];
    }
  }
  return out;
}

QString readDoubleQuotedInside(const QString& escaped) {
  QString out;
  for (qsizetype i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == u'"') std::abort();                            // would end the string
    if (escaped[i] == u'\\' && ++i == escaped.size()) std::abort();  // would escape the closing quote
    out += escaped[i];
  }
  return out;
}

QByteArray printedBy(const char* shell, const QByteArray& command) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) std::abort();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  const char* argv[] = {shell, "-c", command.constData(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, shell, &actions, nullptr, const_cast<char* const*>(argv), environ) != 0)
    std::abort();
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  QByteArray output;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return output;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

  const QString word = quotedFormForShellScript(text);
  if (readShellWord(word) != text) std::abort();
  if (readDoubleQuotedInside(quotedFormForScriptSource(text)) != text) std::abort();
  if (unquotedForm(quotedForm(text)) != text) std::abort();

  static const bool realShells = qEnvironmentVariableIntValue("TELVANE_FUZZ_REAL_SHELLS") == 1;
  if (realShells && !text.contains(QChar(0))) {
    const QByteArray command = "printf %s " + word.toUtf8();
    for (const char* shell : {"sh", "bash"})
      if (printedBy(shell, command) != text.toUtf8()) std::abort();
  }
  return 0;
}
