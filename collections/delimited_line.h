// Splitting one line of delimited text into its fields. Fields may stand in
// double quotes, which lets them hold the delimiter; inside a field a doubled
// double quote stands for one.
#pragma once

#include <QString>
#include <QStringList>

namespace Tirr_NSStringAdditions {

// Answers the fields of `receiver` split at every exact occurrence of
// `delimiter`, each with quotes and white space removed from both ends. A
// quoted field left open at the end of the line is dropped, and with it the
// rest of the line. An empty delimiter gives the whole line as one field.
// Example: "\"Smith, John\",555-1234" with "," -> {"Smith, John", "555-1234"}.
// Example: "a,\"\",b" -> {"a", "\"", "b"};  "x,\"a,b" -> {"x"};  "" -> {""}.
[[nodiscard]] QStringList arrayByParsingLineDelimitedWithDelimiter(const QString& receiver,
                                                                   const QString& delimiter);

// The same with the delimiter "\t".
[[nodiscard]] QStringList arrayByParsingTSVLine(const QString& receiver);

// The same with the delimiter ",".
[[nodiscard]] QStringList arrayByParsingCSVLine(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
