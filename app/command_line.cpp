#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <cstring>

#include "app/app_delegate.h"
#include "app/stored_call_list.h"
#include "prefs/user_defaults.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

const QString kExportOption = QStringLiteral("export");
const QString kImportOption = QStringLiteral("import");

// The parser with every option the program knows.
void describeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(ui("Work through a list of telephone numbers."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption(
      {kExportOption, ui("Write the stored call list to <file> in the export format and exit."), ui("file")});
  parser.addOption(
      {kImportOption, ui("Replace the stored call list with the one in <file> and exit."), ui("file")});
  parser.addPositionalArgument(ui("file"), ui("A call list to load when the window opens."), ui("[file]"));
}

int exportStoredList(const QString& path, QTextStream& out, QTextStream& err) {
  const CallList records = readStoredCallList(AppDelegate::kDataKey).value_or(CallList());
  if (path == QLatin1String("-")) {
    const QByteArray text = exportText(records);
    QFile standardOutput;
    if (!standardOutput.open(stdout, QIODevice::WriteOnly) || standardOutput.write(text) != text.size() ||
        !standardOutput.flush()) {
      err << ui("Could not write the call list to standard output.") << Qt::endl;
      return ExitCode::cannotCreate;
    }
    return ExitCode::ok;
  }
  if (const std::optional<QString> problem = writeExportFile(path, records)) {
    err << ui("Could not export the call list to “%1”: %2").arg(path, *problem) << Qt::endl;
    return ExitCode::cannotCreate;
  }
  out << QCoreApplication::translate("ui", "Exported %n entries to “%1”.", nullptr, int(records.size()))
             .arg(path)
      << Qt::endl;
  return ExitCode::ok;
}

int importIntoStore(const QString& path, QTextStream& out, QTextStream& err) {
  const QFileInfo file(path);
  if (!file.exists() || !file.isReadable() || file.isDir()) {
    err << ui("Could not read “%1”: %2")
               .arg(path, !file.exists() ? ui("no such file")
                          : file.isDir() ? ui("it is a folder")
                                         : ui("permission denied"))
        << Qt::endl;
    return ExitCode::noInput;
  }
  ImportOutcome outcome = importCallList(path);
  switch (outcome.status) {
    case ImportOutcome::Status::Nothing:
      err << ui("“%1” holds nothing to load; the stored list is unchanged.").arg(path) << Qt::endl;
      return ExitCode::dataError;
    case ImportOutcome::Status::Failed:
      err << ui("Could not load “%1”: %2").arg(path, outcome.error) << Qt::endl;
      return ExitCode::dataError;
    case ImportOutcome::Status::Loaded:
      break;
  }
  Tirr_UserDefaults::writeProducedDefault([stored = storedFromCallList(outcome.records)] { return stored; },
                                          AppDelegate::kDataKey);
  if (!Tirr_UserDefaults::synchronizeDefaults()) {
    err << ui("Could not store the call list; the stored list is unchanged.") << Qt::endl;
    return ExitCode::ioError;
  }
  out << QCoreApplication::translate("ui", "Stored %n entries from “%1”.", nullptr,
                                     int(outcome.records.size()))
             .arg(path)
      << Qt::endl;
  return ExitCode::ok;
}

}  // namespace

bool runsWithoutWindow(int argc, const char* const* argv) {
  // Options of the window system that QApplication takes out of the arguments
  // itself; they need the window, as a plain file name does. The "=" marks
  // those that take a value.
  static const char* const windowSystemOptions[] = {"-platform=",
                                                    "-platformpluginpath=",
                                                    "-platformtheme=",
                                                    "-plugin=",
                                                    "-qwindowgeometry=",
                                                    "-qwindowicon=",
                                                    "-qwindowtitle=",
                                                    "-session=",
                                                    "-style=",
                                                    "-stylesheet=",
                                                    "-display=",
                                                    "-geometry=",
                                                    "-title=",
                                                    "-name=",
                                                    "-visual=",
                                                    "-ncols=",
                                                    "-fn=",
                                                    "-font=",
                                                    "-bg=",
                                                    "-background=",
                                                    "-fg=",
                                                    "-foreground=",
                                                    "-btn=",
                                                    "-button=",
                                                    "-im=",
                                                    "-inputstyle=",
                                                    "-reverse",
                                                    "-widgetcount",
                                                    "-cmap",
                                                    "-nograb",
                                                    "-dograb",
                                                    "-sync"};
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--") == 0) return false;
    if (argument[0] != '-' || argument[1] == '\0') continue;
    const char* name = argument[1] == '-' ? argument + 1 : argument;  // Qt takes "--style" as "-style"
    const size_t nameLength = std::strcspn(name, "=");
    const auto matches = [name, nameLength](const char* option) {
      return std::strcspn(option, "=") == nameLength && std::strncmp(name, option, nameLength) == 0;
    };
    const auto* const end = std::end(windowSystemOptions);
    const auto* const option = std::find_if(std::begin(windowSystemOptions), end, matches);
    if (option == end) return true;
    const bool takesValue = (*option)[nameLength] == '=';
    if (takesValue && name[nameLength] != '=') ++i;  // the value is the next argument
  }
  return false;
}

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  describeOptions(parser);
  CommandLine command;
  if (!parser.parse(arguments)) {
    command.mode = CommandLine::Mode::Invalid;
    command.message = parser.errorText();
    return command;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    command.mode = CommandLine::Mode::Help;
    command.message = parser.helpText();
    return command;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    command.mode = CommandLine::Mode::Version;
    return command;
  }
  const QStringList positional = parser.positionalArguments();
  const bool exporting = parser.isSet(kExportOption);
  const bool importing = parser.isSet(kImportOption);
  const auto invalid = [&command](const QString& message) {
    command.mode = CommandLine::Mode::Invalid;
    command.message = message;
    return command;
  };
  if (exporting && importing) return invalid(ui("Give either --export or --import, not both."));
  if ((exporting || importing) && !positional.isEmpty())
    return invalid(ui("Unexpected argument “%1”.").arg(positional.first()));
  if (positional.size() > 1) return invalid(ui("Give at most one call list to open."));
  if (exporting || importing) {
    const QStringList values = parser.values(exporting ? kExportOption : kImportOption);
    if (values.size() > 1) return invalid(ui("Give the option once."));
    command.mode = exporting ? CommandLine::Mode::Export : CommandLine::Mode::Import;
    command.file = values.first();
    if (command.file.isEmpty()) return invalid(ui("The file name is empty."));
    return command;
  }
  command.file = positional.value(0);
  return command;
}

int runWithoutWindow(const CommandLine& command, QTextStream& out, QTextStream& err) {
  switch (command.mode) {
    case CommandLine::Mode::Help:
      out << command.message;
      return ExitCode::ok;
    case CommandLine::Mode::Version:
      out << "telvane-list-dialer " TELVANE_VERSION << Qt::endl;
      return ExitCode::ok;
    case CommandLine::Mode::Export:
      return exportStoredList(command.file, out, err);
    case CommandLine::Mode::Import:
      return importIntoStore(command.file, out, err);
    case CommandLine::Mode::Invalid:
      err << command.message << Qt::endl
          << ui("Try “%1 --help” for more information.").arg(QStringLiteral("telvane-list-dialer"))
          << Qt::endl;
      return ExitCode::usage;
    case CommandLine::Mode::Window:
      break;
  }
  return ExitCode::usage;
}
