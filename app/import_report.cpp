#include "app/import_report.h"

#include <QCoreApplication>

#include "app/cell_text.h"
#include "app/date_column_reading.h"

namespace {

QString ui(const char* text) { return QCoreApplication::translate("ui", text); }

}  // namespace

QString importStatusMessage(const ImportOutcome& outcome, const QString& fileName) {
  switch (outcome.status) {
    case ImportOutcome::Status::Nothing:
      return ui("Nothing loaded from “%1”: %2.").arg(fileName, outcome.reason);
    case ImportOutcome::Status::Failed:
      return ui("Could not load “%1”: %2.").arg(fileName, outcome.reason);
    case ImportOutcome::Status::Loaded:
      break;
  }
  const qsizetype count = outcome.records.size();
  QString message =
      QCoreApplication::translate("ui", "Loaded %n entries from “%1”.", nullptr, int(count)).arg(fileName);
  if (!outcome.encoding.isEmpty() && outcome.encoding != QLatin1String("UTF-8"))
    message += u' ' + ui("Read as %1.").arg(outcome.encoding);
  if (outcome.headerEntry)
    message += u' ' + ui("The first line, %1, is a number and was loaded as the first entry.")
                          .arg(shownCellText(*outcome.headerEntry));
  if (!outcome.dateForm.isEmpty())
    message += u' ' + ui("Dates were read in the %1 form.").arg(dateFormDisplayName(outcome.dateForm));
  if (outcome.unreadDates > 0)
    message += u' ' + QCoreApplication::translate("ui", "%n dates could not be read and were left empty.",
                                                  nullptr, int(outcome.unreadDates));
  return message;
}
