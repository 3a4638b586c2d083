#include "app/call_table_cells.h"

#include <unicode/smpdtfmt.h>

#include <QAbstractProxyModel>
#include <memory>

#include "app/call_dates.h"
#include "app/call_list_model.h"
#include "app/telephone_number.h"

namespace {

// `pattern` with every two-letter year field ("yy") widened to "yyyy"; quoted text is kept.
icu::UnicodeString withFullYear(const icu::UnicodeString& pattern) {
  icu::UnicodeString out;
  bool quoted = false;
  for (int32_t i = 0; i < pattern.length();) {
    const char16_t c = pattern.charAt(i);
    if (c == u'\'') quoted = !quoted;
    int32_t run = 1;
    while (!quoted && c == u'y' && i + run < pattern.length() && pattern.charAt(i + run) == u'y') ++run;
    if (!quoted && c == u'y' && run == 2)
      out.append(icu::UnicodeString(u"yyyy"));
    else
      out.append(pattern, i, run);
    i += run;
  }
  return out;
}

// The table's date format, built again when the locale or the time zone changes.
icu::DateFormat* tableDateFormat() {
  static std::unique_ptr<icu::DateFormat> format;
  static std::string builtFor;
  const icu::Locale locale = callDateLocale();
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  icu::UnicodeString zoneId;
  zone->getID(zoneId);
  std::string key = locale.getName();
  zoneId.toUTF8String(key);
  if (format && key == builtFor) return format.get();
  format.reset(
      icu::DateFormat::createDateTimeInstance(icu::DateFormat::kShort, icu::DateFormat::kMedium, locale));
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format.get())) {
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    simple->applyPattern(withFullYear(pattern));
  }
  builtFor = key;
  return format.get();
}

// The record value behind a cell of the table, through any proxies.
QVariant recordValue(const QModelIndex& index) {
  QModelIndex source = index;
  while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(source.model()))
    source = proxy->mapToSource(source);
  const auto* calls = qobject_cast<const CallListModel*>(source.model());
  if (!calls || !source.isValid()) return {};
  return calls->content().value(source.row(), CallListModel::fieldForColumn(source.column()));
}

constexpr QChar kLeftToRightOverride(0x202D);
constexpr QChar kPopDirectionalFormatting(0x202C);

}  // namespace

QString NumberCellDelegate::displayText(const QVariant& value, const QLocale&) const {
  return kLeftToRightOverride + visibleNumberText(value.toString()) + kPopDirectionalFormatting;
}

QString formatTableDate(const QDateTime& date) {
  icu::DateFormat* format = tableDateFormat();
  if (!format) return formatCallDate(date);
  icu::UnicodeString text;
  format->format(UDate(date.toMSecsSinceEpoch()), text);
  return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

void DateCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const QVariant value = recordValue(index);
  if (value.typeId() == QMetaType::QDateTime) option->text = formatTableDate(value.toDateTime());
}
