// The program's one road to the system log. Every line the program logs goes
// through systemLog(); tests install a sink to read the exact lines.
#pragma once

#include <QString>
#include <functional>

// Writes one line to the system log (standard error, through Qt's message
// handler, so journald or the terminal picks it up).
void systemLog(const QString& line);

// Replaces where systemLog() lines go; an empty sink restores the default.
void setSystemLogSink(std::function<void(const QString&)> sink);
