// Date cells of call-list files reach the date reader as they stand. For any
// text it answers a valid date or nothing, and a date it reads comes back to
// the same second through the export's own form, the locale's short date,
// wherever that form can say which year it means: a two-digit year stands for
// the years from 80 before now to 20 after.
#include <cstdint>
#include <cstdlib>

#include "app/call_list_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<QDateTime> date = parseCallDate(text);
  if (!date) return 0;
  if (!date->isValid()) std::abort();
  static const QDateTime now = QDateTime::currentDateTimeUtc();
  if (*date < now.addYears(-79) || *date > now.addYears(19)) return 0;
  const std::optional<QDateTime> again = parseCallDate(formatCallDate(*date));
  if (!again || again->toSecsSinceEpoch() != date->toSecsSinceEpoch()) std::abort();
  return 0;
}
