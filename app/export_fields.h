// One field of the export text, written two ways: the plain form built as a
// QString, and the one-pass UTF-8 writer the export uses for nearly every
// field. Tests hold the second against the first.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The field as the export writes it: unchanged when the line parser reads it
// back so, otherwise cleaned and quoted.
[[nodiscard]] QString exportFieldText(QStringView text, bool firstInLine);

// The same field as UTF-8, through the export's one-pass writer.
[[nodiscard]] QByteArray exportFieldUtf8(QStringView text, bool firstInLine);
