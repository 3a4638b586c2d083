// Typing of the delimited file reader's cells: each finished field becomes a
// qint64, a float, a bool or stays text, judged by its characters alone.
#pragma once

#include <QStringView>
#include <QVariant>

// What a cell's text types as. The first rule that applies wins: the texts
// "", " ", "-" and "." stay text; hyphen-minus and digits only make an integer;
// hyphen-minus, digits and full stops only make a float; "y", "yes", "t",
// "true" in any case are true; "n", "no", "f", "false" in any case are false;
// anything else is text.
enum class DelimitedCellKind { Text, Integer, Float, True, False };

// Example: "0049" -> Integer;  "1.2.3" -> Float;  "YES" -> True;  "+15" -> Text.
[[nodiscard]] DelimitedCellKind delimitedCellKind(QStringView cell);

// Answers the cell typed by those rules: qint64 (the leading integer, so
// "555-1234" is 555 and "--5" is 0), float (the leading decimal number, so
// "555.123.4567" is 555.123f), bool, or the cell's text as a QString.
[[nodiscard]] QVariant typedDelimitedCell(QStringView cell);
