// The text form of a stored number value, shared by the table, the dial
// script and the export so the three never disagree.
#include <charconv>

#include "app/call_list_io.h"

namespace {

template <typename Number>
QString plainDecimal(Number value) {
  char buffer[400];  // enough for any double in fixed notation
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  return error == std::errc() ? QString::fromLatin1(buffer, end - buffer) : QString();
}

}  // namespace

std::optional<QString> numberText(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::QString:
      return value.toString();
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Long:
      return QString::number(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::UInt:
    case QMetaType::ULong:
      return QString::number(value.toULongLong());
    case QMetaType::Float:
      return plainDecimal(value.toFloat());
    case QMetaType::Double:
      return plainDecimal(value.toDouble());
    default:
      return std::nullopt;
  }
}
