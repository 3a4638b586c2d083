// Handing a telephone number to the user's dialer application.
//
// By default the number goes out as a tel: URI to whatever the desktop has
// registered for x-scheme-handler/tel (GNOME Calls, KDE Connect, Linphone, ...).
// The preference "DialCommand" replaces that with a command template such as
// "gnome-calls --dial=%n", started directly, without a shell.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <optional>

#include "app/call_list_io.h"
#include "app/telephone_number.h"

// The program and its arguments for the command template `pattern`, or the
// reason it cannot be used. The template is split like QProcess::splitCommand:
// at spaces, with double quotes grouping ("""" for a literal quote); single
// quotes have no meaning. "%N" stands for the number as written, "%n" for its
// keypad characters with ";ext=21" for an extension, "%%" for "%". The
// template is split before the number goes in, so the number is always inside
// one argument; a number that would stand alone as an argument starting with
// "-" is refused, since the program would read it as an option.
//
// A template whose program runs script text (sh, bash and the other shells,
// python, perl, ...) may pass the number only as a parameter after the script,
// never inside it, where "$(...)" would run:
//   sh /usr/local/bin/dial.sh %n                accepted
//   sh -c "exec my-dialer """$1"""" sh %n       accepted (three quotes make one)
//   sh -c "my-dialer %n"                        refused
struct DialCommand {
  QString program;
  QStringList arguments;
};
[[nodiscard]] std::optional<DialCommand> dialCommandFor(const QString& pattern, const TelephoneNumber& number,
                                                        QString* problem);

// A command as the user reads it, in the template's own quoting.
// Example: {"/opt/my dialer", "5551234"} -> "\"/opt/my dialer\" 5551234".
[[nodiscard]] QString commandLineText(const DialCommand& command);

// Whether the desktop names an application for tel: links, as xdg-mime answers
// it; true when xdg-mime is missing or does not answer, so that opening the
// URI is still tried. xdg-open starts even when nothing handles tel:, and only
// this question tells the user that no dialer was reached.
[[nodiscard]] bool telHandlerRegistered();

// Hands `number` to the dialer: the "DialCommand" template when the preference
// holds a non-empty one, otherwise the tel: URI. Returns once the dialer has it.
// A text that is not a telephone number never reaches a dialer: the outcome
// says why. The outcome names the URI or command line that went out.
[[nodiscard]] DialOutcome handNumberToDialer(const QString& number);
