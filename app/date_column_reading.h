// Reading a call-list file's date column as a whole: the dates of one file
// were written in one form, and that form is found before any date is kept,
// so a list exported under one locale loads under another.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct DateColumnReading {
  QList<std::optional<QDateTime>> dates;  // one per text, in order
  // The form used when it is not the user's own: a locale name ("de_DE") or
  // "ISO 8601"; empty when the user's own reading served.
  QString form;
  qsizetype unread = 0;  // texts that no reading understood
};

// Reads `texts` (non-empty date cells). When the user's own export form reads
// every one, that is the reading. Otherwise the first form that reads all of
// them wins, in this order: ISO 8601, then the export form (short date,
// medium time) of other locales, the user's language first. When no form
// reads all, each text is read on its own as before (the user's locale in all
// its styles, and ISO 8601) and the rest are counted as unread.
// Example: under en_US, {"06.12.26, 15:04:05"} reads in the de_DE form.
[[nodiscard]] DateColumnReading readDateColumn(const QStringList& texts);

// The name of a date form for the user: "German (Germany)" for "de_DE" in an
// English locale; "ISO 8601" stays as it is.
[[nodiscard]] QString dateFormDisplayName(const QString& form);
