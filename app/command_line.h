// The program's command line: a call list to open in the window, or one of
// the actions that run without a window, for scripts and backups:
//   telvane-list-dialer [FILE]             the window, loading FILE at start
//   telvane-list-dialer --export FILE      the stored list in the export format ("-": standard output)
//   telvane-list-dialer --import FILE      FILE replaces the stored list
//   telvane-list-dialer --help | --version
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

struct CommandLine {
  enum class Mode { Window, Help, Version, Export, Import, Invalid };
  Mode mode = Mode::Window;
  QString file;     // Window: a call list to load at start, or empty; Export/Import: the file
  QString message;  // Help: the help text; Invalid: what is wrong with the arguments
};

// Exit codes of the actions without a window, in the BSD sysexits convention
// that scripts already know.
namespace ExitCode {
constexpr int ok = 0;
constexpr int usage = 64;         // the arguments make no sense
constexpr int dataError = 65;     // the input holds no usable call list
constexpr int noInput = 66;       // the input cannot be read
constexpr int cannotCreate = 73;  // the output cannot be written
constexpr int ioError = 74;       // the preferences cannot be read or stored
constexpr int busy = 75;          // the window is running; try again after quitting it
}  // namespace ExitCode

// Whether the raw arguments ask for an action without a window: any option but
// the window system's own (-platform, -style, ...), so that a mistyped option
// is reported too. Decided before any application object exists, so that no
// display is ever opened for them.
[[nodiscard]] bool runsWithoutWindow(int argc, const char* const* argv);

// Reads the arguments (the program name first, as QCoreApplication::arguments
// gives them, with the window system's own options already taken out).
[[nodiscard]] CommandLine parseCommandLine(const QStringList& arguments);

// Carries out Help, Version, Export, Import or Invalid, writing what it did to
// `out` and problems to `err`; answers the exit code.
[[nodiscard]] int runWithoutWindow(const CommandLine& command, QTextStream& out, QTextStream& err);
