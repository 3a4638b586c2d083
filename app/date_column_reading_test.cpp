// A call list exported under one locale loads under another with all its
// dates: the form the file's dates were written in is found for the column.
#include "app/date_column_reading.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "app/import_report.h"
#include "testsupport/qt_printers.h"

namespace {

QDateTime utc(const char* iso) {
  return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate).toUTC();
}

CallList datedList() {
  CallList records;
  const char* const dates[] = {"2026-12-06T14:04:05Z", "2026-01-31T23:59:59Z", "2025-07-04T08:00:00Z"};
  qint64 index = 1;
  for (const char* date : dates)
    records.append({{CallKeys::index, index++},
                    {CallKeys::number, QStringLiteral("555")},
                    {CallKeys::date, utc(date)},
                    {CallKeys::success, false},
                    {CallKeys::note, QString()}});
  return records;
}

// Exported in one locale, imported in another: every date comes back to the
// second, and the user is told which form was used.
TEST(DateColumnReading, ExportLoadsUnderAnotherLocale) {
  const struct {
    const char* from;
    const char* to;
    const char* form;
  } cases[] = {
      {"de_DE", "en_US", "de_DE"}, {"en_US", "de_DE", "en_US"}, {"en_GB", "en_US", "en_GB"},
      {"ja_JP", "fr_FR", "ja_JP"}, {"de_DE", "de_DE", ""},
  };
  QTemporaryDir dir;
  const CallList records = datedList();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    const QString path = dir.filePath(QString::fromLatin1(c.from) + QString::fromLatin1(c.to));
    {
      ScopedCallDateLocale writer(c.from, "Europe/Berlin");
      ASSERT_EQ(writeExportFile(path, exportText(records)), std::nullopt);
    }
    ScopedCallDateLocale reader(c.to, "Europe/Berlin");
    const ImportOutcome back = importCallList(path);
    ASSERT_EQ(back.status, ImportOutcome::Status::Loaded);
    ASSERT_EQ(back.records.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
      EXPECT_EQ(back.records.record(i).value(CallKeys::date), records.record(i).value(CallKeys::date)) << i;
    EXPECT_EQ(back.unreadDates, 0);
    EXPECT_EQ(back.dateForm, QString::fromLatin1(c.form));
  }
}

TEST(DateColumnReading, TellsWhatItDid) {
  ScopedCallDateLocale english("en_US", "America/New_York");
  const struct {
    const char* name;
    QStringList texts;
    QString form;
    qsizetype unread;
  } cases[] = {
      {"the user's own form", {QStringLiteral("12/6/26, 3:04:05 PM")}, QString(), 0},
      {"ISO 8601 when it reads them all",
       {QStringLiteral("2026-12-06"), QStringLiteral("2026-12-07T10:00:00Z")},
       QStringLiteral("ISO 8601"),
       0},
      {"no one form: each read alone, the rest counted",
       {QStringLiteral("2026-12-06"), QStringLiteral("12/6/26, 3:04:05 PM"), QStringLiteral("call back"),
        QStringLiteral("soon")},
       QString(),
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DateColumnReading reading = readDateColumn(c.texts);
    ASSERT_EQ(reading.dates.size(), c.texts.size());
    EXPECT_EQ(reading.form, c.form);
    EXPECT_EQ(reading.unread, c.unread);
    EXPECT_EQ(std::count(reading.dates.begin(), reading.dates.end(), std::nullopt), c.unread);
  }
}

TEST(DateColumnReading, StatusNamesTheFormAndTheUnreadDates) {
  ScopedCallDateLocale english("en_US", "America/New_York");
  ImportOutcome outcome;
  outcome.status = ImportOutcome::Status::Loaded;
  outcome.records = CallList{QVariantMap(), QVariantMap()};
  outcome.encoding = QStringLiteral("UTF-8");
  outcome.dateForm = QStringLiteral("de_DE");
  outcome.unreadDates = 3;
  EXPECT_EQ(importStatusMessage(outcome, QStringLiteral("log.txt")),
            QStringLiteral("Loaded 2 entries from “log.txt”. Dates were read in the German (Germany) form. 3 "
                           "dates could not be read and were left empty."));
}

}  // namespace
