// The hand-off from the dial script to the user's dialer application.
#include "app/dialer.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>

#include "prefs/user_defaults.h"

namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// The characters a telephone number keeps on its way to a dialer: `extra`
// decides what besides digits and a leading "+" stays.
QString keepDialable(const QString& number, QStringView extra) {
  QString kept;
  kept.reserve(number.size());
  for (const QChar c : number) {
    if (isAsciiDigit(c) || extra.contains(c))
      kept += c;
    else if (c == u'+' && kept.isEmpty())
      kept += c;
  }
  return kept;
}

// Digits only, with a leading "+" kept: "+49 (30) 123-45" -> "+493012345".
QString digitsOf(const QString& number) { return keepDialable(number, {}); }

std::optional<QString> dialCommandPreference() {
  const std::optional<QVariant> value = Tirr_UserDefaults::readDefault(QStringLiteral("DialCommand"));
  if (!value || value->typeId() != QMetaType::QString) return std::nullopt;
  const QString pattern = value->toString().trimmed();
  if (pattern.isEmpty()) return std::nullopt;
  return pattern;
}

// Replaces the placeholders of one template argument; `standsAlone` tells
// whether the argument was a placeholder and nothing else.
QString substitute(const QString& argument, const QString& stored, const QString& digits, bool* standsAlone) {
  *standsAlone = argument == QLatin1String("%N") || argument == QLatin1String("%n");
  QString out;
  for (qsizetype i = 0; i < argument.size(); ++i) {
    const QChar next = i + 1 < argument.size() ? argument[i + 1] : QChar();
    if (argument[i] != u'%' || (next != u'N' && next != u'n' && next != u'%')) {
      out += argument[i];
      continue;
    }
    out += next == u'N' ? stored : next == u'n' ? digits : QStringLiteral("%");
    ++i;
  }
  return out;
}

DialOutcome runCommand(const QString& pattern, const QString& number) {
  QString problem;
  const std::optional<DialCommand> command = dialCommandFor(pattern, number, &problem);
  if (!command) return {false, problem};
  if (!QProcess::startDetached(command->program, command->arguments))
    return {false, QStringLiteral("The dialer \"%1\" could not be started.").arg(command->program)};
  return {true, {}};
}

DialOutcome openTelUri(const QString& number) {
  const std::optional<QUrl> uri = telUriFor(number);
  if (!uri) return {false, QStringLiteral("The number \"%1\" holds no digits to dial.").arg(number)};
  if (!telHandlerRegistered() || !QDesktopServices::openUrl(*uri))
    return {false, QStringLiteral("No application is set up to dial tel: links.")};
  return {true, {}};
}

}  // namespace

std::optional<QUrl> telUriFor(const QString& number) {
  const QString kept = keepDialable(number, u"*#-.()");
  if (!std::any_of(kept.begin(), kept.end(), isAsciiDigit)) return std::nullopt;
  QUrl uri;
  uri.setScheme(QStringLiteral("tel"));
  uri.setPath(kept, QUrl::DecodedMode);  // "#" becomes %23, as RFC 3966 wants
  return uri;
}

std::optional<DialCommand> dialCommandFor(const QString& pattern, const QString& number, QString* problem) {
  const QStringList parts = QProcess::splitCommand(pattern);
  if (parts.isEmpty()) {
    *problem = QStringLiteral("The dial command is empty.");
    return std::nullopt;
  }
  if (parts.first().contains(u'%')) {
    *problem = QStringLiteral("The dial command \"%1\" must name a program before the number.").arg(pattern);
    return std::nullopt;
  }
  const QString digits = digitsOf(number);
  DialCommand command{parts.first(), {}};
  for (qsizetype i = 1; i < parts.size(); ++i) {
    bool standsAlone = false;
    const QString argument = substitute(parts[i], number, digits, &standsAlone);
    if (standsAlone && (argument.isEmpty() || argument.startsWith(u'-'))) {
      *problem = QStringLiteral("The number \"%1\" cannot be passed to the dialer as it is.").arg(number);
      return std::nullopt;
    }
    command.arguments << argument;
  }
  return command;
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
  if (const std::optional<QString> pattern = dialCommandPreference()) return runCommand(*pattern, number);
  return openTelUri(number);
}
