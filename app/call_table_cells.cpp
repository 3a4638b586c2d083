#include "app/call_table_cells.h"

#include "app/telephone_number.h"

namespace {

constexpr QChar kLeftToRightOverride(0x202D);
constexpr QChar kPopDirectionalFormatting(0x202C);

}  // namespace

QString NumberCellDelegate::displayText(const QVariant& value, const QLocale&) const {
  return kLeftToRightOverride + visibleNumberText(value.toString()) + kPopDirectionalFormatting;
}
