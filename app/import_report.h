// What the status bar says after a load: the outcome, and anything about how
// the file was read that the user should know (its encoding, a first line
// taken as an entry, the form of its dates, dates that could not be read).
#pragma once

#include <QString>

#include "app/call_list_io.h"

// The status bar's message for `outcome` of loading the file `fileName`.
// Example: "Loaded 3 entries from “calls.txt”. Read as Windows-1252."
[[nodiscard]] QString importStatusMessage(const ImportOutcome& outcome, const QString& fileName);
