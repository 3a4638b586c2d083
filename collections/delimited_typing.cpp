#include "collections/delimited_typing.h"

#include <QString>

#include "collections/delimited_file.h"
#include "text/string_numbers.h"

namespace {

// Compares `cell` with a lower-case ASCII word, ignoring the case of the
// cell. Lower-casing any character other than A to Z gives either no ASCII
// letter at all or, for the Kelvin sign, a "k", which no true or false word
// holds; so an ASCII comparison is the same as comparing the lower-cased text.
bool equalsLowercaseWord(QStringView cell, QStringView word) {
  if (cell.size() != word.size()) return false;
  for (qsizetype i = 0; i < cell.size(); ++i) {
    char16_t c = cell[i].unicode();
    if (c >= u'A' && c <= u'Z') c += u'a' - u'A';
    if (c != word[i].unicode()) return false;
  }
  return true;
}

bool isOneOf(QStringView cell, std::initializer_list<QStringView> words) {
  for (QStringView word : words)
    if (equalsLowercaseWord(cell, word)) return true;
  return false;
}

}  // namespace

DelimitedCellKind delimitedCellKind(QStringView cell) {
  if (cell.isEmpty()) return DelimitedCellKind::Text;
  if (cell.size() == 1 && (cell[0] == u' ' || cell[0] == u'-' || cell[0] == u'.'))
    return DelimitedCellKind::Text;

  bool numeric = true;
  bool hasFullStop = false;
  for (QChar ch : cell) {
    const char16_t c = ch.unicode();
    if (c == u'.') {
      hasFullStop = true;
    } else if (c != u'-' && (c < u'0' || c > u'9')) {
      numeric = false;
      break;
    }
  }
  if (numeric) return hasFullStop ? DelimitedCellKind::Float : DelimitedCellKind::Integer;
  if (cell.size() > 5) return DelimitedCellKind::Text;
  if (isOneOf(cell, {u"y", u"yes", u"t", u"true"})) return DelimitedCellKind::True;
  if (isOneOf(cell, {u"n", u"no", u"f", u"false"})) return DelimitedCellKind::False;
  return DelimitedCellKind::Text;
}

QVariant typedDelimitedCell(QStringView cell) {
  switch (delimitedCellKind(cell)) {
    case DelimitedCellKind::Integer:
      return QVariant::fromValue(integerValue(cell));
    case DelimitedCellKind::Float:
      return QVariant::fromValue(floatValue(cell));
    case DelimitedCellKind::True:
      return QVariant(true);
    case DelimitedCellKind::False:
      return QVariant(false);
    case DelimitedCellKind::Text:
      break;
  }
  return QVariant(cell.toString());
}

QVariant typedDelimitedValue(const QString& field) {
  if (delimitedCellKind(field) == DelimitedCellKind::Text) return QVariant(field);
  return typedDelimitedCell(field);
}
