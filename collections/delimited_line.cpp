#include "collections/delimited_line.h"

#include "collections/delimited_field_scanner.h"

namespace Tirr_NSStringAdditions {

QStringList arrayByParsingLineDelimitedWithDelimiter(const QString& receiver, const QString& delimiter) {
  QStringList fields;
  DelimitedFieldScanner scanner;
  scanner.scan(receiver, delimiter, [&](QStringView field) {
    const bool wholeLine = field.data() == receiver.constData() && field.size() == receiver.size();
    fields.append(wholeLine ? receiver : field.toString());
    return true;
  });
  return fields;
}

QStringList arrayByParsingTSVLine(const QString& receiver) {
  return arrayByParsingLineDelimitedWithDelimiter(receiver, QStringLiteral("\t"));
}

QStringList arrayByParsingCSVLine(const QString& receiver) {
  return arrayByParsingLineDelimitedWithDelimiter(receiver, QStringLiteral(","));
}

}  // namespace Tirr_NSStringAdditions
