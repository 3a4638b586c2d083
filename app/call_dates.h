// Internal to the call-date formatting: the process-wide formatter is built on
// first use from the locale and time zone of that moment. Tests that switch the
// ICU default locale or zone drop it so the next call builds it afresh.
#pragma once

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <QDateTime>
#include <QString>
#include <memory>

// The locale call dates are written in: ICU's default, or LC_TIME when set and
// not overridden by LC_ALL.
[[nodiscard]] icu::Locale callDateLocale();

// Forgets the process-wide call-date formatter (tests only; the program never
// changes locale or time zone while it runs).
void resetCallDateFormatterForTesting();

// Appends formatCallDate(date) to `out`: the export's hot path, which builds
// one long text and should not allocate a string per date.
void appendCallDate(QString& out, const QDateTime& date);

// Switches ICU's default locale and time zone for the life of a test and drops
// the formatter on the way in and out. Example:
//   ScopedCallDateLocale german("de_DE", "Europe/Berlin");
class ScopedCallDateLocale {
 public:
  ScopedCallDateLocale(const char* locale, const char* zone);
  ~ScopedCallDateLocale();
  ScopedCallDateLocale(const ScopedCallDateLocale&) = delete;
  ScopedCallDateLocale& operator=(const ScopedCallDateLocale&) = delete;

 private:
  icu::Locale locale_;
  std::unique_ptr<icu::TimeZone> zone_;
};
