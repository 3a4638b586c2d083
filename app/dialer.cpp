// The hand-off from the dial script to the user's dialer application.
#include "app/dialer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

#include "prefs/user_defaults.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

std::optional<QString> dialCommandPreference() {
  const std::optional<QVariant> value = Tirr_UserDefaults::readDefault(QStringLiteral("DialCommand"));
  if (!value || value->typeId() != QMetaType::QString) return std::nullopt;
  const QString pattern = value->toString().trimmed();
  if (pattern.isEmpty()) return std::nullopt;
  return pattern;
}

bool holdsPlaceholder(const QString& argument) {
  for (qsizetype i = 0; i + 1 < argument.size(); ++i) {
    if (argument[i] != u'%') continue;
    if (argument[i + 1] == u'N' || argument[i + 1] == u'n') return true;
    ++i;  // "%%"
  }
  return false;
}

// Replaces the placeholders of one template argument; `standsAlone` tells
// whether the argument was a placeholder and nothing else.
QString substitute(const QString& argument, const TelephoneNumber& number, bool* standsAlone) {
  *standsAlone = argument == QLatin1String("%N") || argument == QLatin1String("%n");
  QString out;
  for (qsizetype i = 0; i < argument.size(); ++i) {
    const QChar next = i + 1 < argument.size() ? argument[i + 1] : QChar();
    if (argument[i] != u'%' || (next != u'N' && next != u'n' && next != u'%')) {
      out += argument[i];
      continue;
    }
    out += next == u'N' ? number.written : next == u'n' ? number.keypadWithExtension() : QStringLiteral("%");
    ++i;
  }
  return out;
}

// For a program that runs script text: the option letter that passes the
// script inline (0 when the program only runs script files). Nothing for
// other programs. Wrappers that run the next word as the program (env,
// busybox) are looked through; `programAt` is then the real program's place.
std::optional<char16_t> inlineScriptOption(const QStringList& parts, qsizetype* programAt) {
  static const QRegularExpression scriptRunners(QStringLiteral(
      "^(?:(?:a|ba|da|z|k|mk|pdk|ya|c|tc|rba|lk)?sh|fish|python[0-9.]*|perl[0-9.]*|ruby[0-9.]*|node(?:js)?|"
      "lua[0-9.]*|osascript|php[0-9.]*|tclsh[0-9.]*|wish[0-9.]*)$"));
  qsizetype at = 0;
  for (;;) {
    const QString name = QFileInfo(parts[at]).fileName();
    if (name == QLatin1String("env") || name == QLatin1String("busybox") || name == QLatin1String("toybox")) {
      ++at;  // env's options and VAR=value assignments come before the program
      while (at < parts.size() && (parts[at].startsWith(u'-') || parts[at].contains(u'='))) ++at;
      if (at >= parts.size()) return std::nullopt;
      continue;
    }
    *programAt = at;
    if (!scriptRunners.match(name).hasMatch()) return std::nullopt;
    if (name.startsWith(QLatin1String("python"))) return u'c';
    if (name.startsWith(QLatin1String("php"))) return u'r';
    if (name.endsWith(QLatin1String("sh"))) return u'c';
    if (name.startsWith(QLatin1String("tclsh")) || name.startsWith(QLatin1String("wish"))) return char16_t(0);
    return u'e';
  }
}

// Where a script-running program's script is: the argument after its inline
// option ("-c", "-lc", "-e"), or else its first argument that is no option.
// -1 when it has none: it would read its script from the number.
qsizetype scriptArgument(const QStringList& parts, qsizetype programAt, char16_t option) {
  for (qsizetype i = programAt + 1; i < parts.size(); ++i) {
    const QString& part = parts[i];
    const bool isOption = part.size() > 1 && part.startsWith(u'-') && !part.startsWith(QLatin1String("--"));
    if (isOption && option && part.contains(QChar(option))) {
      qsizetype script = i + 1;
      if (script < parts.size() && parts[script] == QLatin1String("--")) ++script;
      return script < parts.size() ? script : -1;
    }
    if (!part.startsWith(u'-')) return i;
  }
  return -1;
}

// Refuses a template that would put the number into script text.
bool keepsNumberOutOfScripts(const QString& pattern, const QStringList& parts, QString* problem) {
  qsizetype programAt = 0;
  const std::optional<char16_t> option = inlineScriptOption(parts, &programAt);
  if (!option) return true;
  const qsizetype script = scriptArgument(parts, programAt, *option);
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (!holdsPlaceholder(parts[i]) || (script >= 0 && i > script)) continue;
    *problem = ui("The dial command “%1” puts the number into the script that %2 runs, where parts of it "
                  "could run as commands. Pass it as a parameter after the script instead, for example "
                  "“sh /path/to/dial.sh %n”, where the script reads it as \"$1\".")
                   .arg(pattern, QFileInfo(parts[programAt]).fileName());
    return false;
  }
  return true;
}

DialOutcome runCommand(const QString& pattern, const TelephoneNumber& number) {
  QString problem;
  const std::optional<DialCommand> command = dialCommandFor(pattern, number, &problem);
  if (!command) return {false, problem, {}};
  if (!QProcess::startDetached(command->program, command->arguments))
    return {false, ui("The dialer “%1” could not be started.").arg(command->program), {}};
  return {true, {}, commandLineText(*command)};
}

DialOutcome openTelUri(const TelephoneNumber& number) {
  const QUrl uri = number.telUri();
  if (!telHandlerRegistered() || !QDesktopServices::openUrl(uri))
    return {false, ui("No application is set up to dial tel: links."), {}};
  return {true, {}, uri.toString(QUrl::FullyEncoded)};
}

}  // namespace

std::optional<DialCommand> dialCommandFor(const QString& pattern, const TelephoneNumber& number,
                                          QString* problem) {
  const QStringList parts = QProcess::splitCommand(pattern);
  if (parts.isEmpty()) {
    *problem = ui("The dial command is empty.");
    return std::nullopt;
  }
  if (parts.first().contains(u'%')) {
    *problem = ui("The dial command “%1” must name a program before the number.").arg(pattern);
    return std::nullopt;
  }
  if (!keepsNumberOutOfScripts(pattern, parts, problem)) return std::nullopt;
  DialCommand command{parts.first(), {}};
  for (qsizetype i = 1; i < parts.size(); ++i) {
    bool standsAlone = false;
    const QString argument = substitute(parts[i], number, &standsAlone);
    if (standsAlone && (argument.isEmpty() || argument.startsWith(u'-'))) {
      *problem = ui("The number “%1” cannot be passed to the dialer as it is.")
                     .arg(quotedNumberForMessage(number.written));
      return std::nullopt;
    }
    command.arguments << argument;
  }
  return command;
}

QString commandLineText(const DialCommand& command) {
  QStringList words;
  for (const QString& word : QStringList(command.program) + command.arguments) {
    const bool plain = !word.isEmpty() && std::none_of(word.begin(), word.end(),
                                                       [](QChar c) { return c.isSpace() || c == u'"'; });
    words << (plain ? word : u'"' + QString(word).replace(u'"', QLatin1String("\"\"\"")) + u'"');
  }
  return words.join(u' ');
}

bool telHandlerRegistered() {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return true;
  QProcess query;
  query.start(xdgMime,
              {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/tel")});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished();
    return true;
  }
  return query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0 ||
         !query.readAllStandardOutput().trimmed().isEmpty();
}

DialOutcome handNumberToDialer(const QString& number) {
  QString problem;
  const std::optional<TelephoneNumber> telephone = readTelephoneNumber(number, &problem);
  if (!telephone) return {false, problem, {}};
  if (const std::optional<QString> pattern = dialCommandPreference()) return runCommand(*pattern, *telephone);
  return openTelUri(*telephone);
}
