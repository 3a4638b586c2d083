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

// The tel: URI for `number`: a leading "+", digits, "*", "#" and the visual
// separators - . ( ) are kept, everything else (spaces, letters) is dropped.
// Nothing when no digit remains. Example: "+1 (555) 123-4567" -> "tel:+1(555)123-4567".
[[nodiscard]] std::optional<QUrl> telUriFor(const QString& number);

// The program and its arguments for the command template `pattern`, or the
// reason it cannot be used. The template is split like QProcess::splitCommand:
// at spaces, with double quotes grouping ("""" for a literal quote); single
// quotes have no meaning. "%N" stands for the number as stored, "%n" for its
// digits (with a leading "+"), "%%" for "%". The template is split before the
// number goes in, so the number is always inside one argument; a number that
// would stand alone as an argument starting with "-" is refused, since the
// program would read it as an option.
struct DialCommand {
  QString program;
  QStringList arguments;
};
[[nodiscard]] std::optional<DialCommand> dialCommandFor(const QString& pattern, const QString& number,
                                                        QString* problem);

// Whether the desktop names an application for tel: links, as xdg-mime answers
// it; true when xdg-mime is missing or does not answer, so that opening the
// URI is still tried. xdg-open starts even when nothing handles tel:, and only
// this question tells the user that no dialer was reached.
[[nodiscard]] bool telHandlerRegistered();

// Hands `number` to the dialer: the "DialCommand" template when the preference
// holds a non-empty one, otherwise the tel: URI. Returns once the dialer has it.
[[nodiscard]] DialOutcome handNumberToDialer(const QString& number);
