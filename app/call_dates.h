// Internal to the call-date formatting: the process-wide formatter is built on
// first use from the locale and time zone of that moment. Tests that switch the
// ICU default locale or zone drop it so the next call builds it afresh.
#pragma once

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

// The locale call dates are written in: ICU's default, or LC_TIME when set and
// not overridden by LC_ALL.
[[nodiscard]] icu::Locale callDateLocale();

// Forgets the process-wide call-date formatter (tests only; the program never
// changes locale or time zone while it runs).
void resetCallDateFormatterForTesting();

// Appends formatCallDate(date) to `out`: the export's hot path, which builds
// one long text and should not allocate a string per date.
void appendCallDate(QString& out, const QDateTime& date);

// The room writeCallDateUtf8() needs at `out`.
inline constexpr qsizetype kCallDateUtf8Room = 96;

// Writes the UTF-8 form of formatCallDate() for the instant `msecs` (since
// the epoch) at `out` and answers the end of it, for writers of UTF-8 that
// format many dates. Writes nothing and answers null where the locale's
// pattern is left to ICU; the caller then goes through appendCallDate().
[[nodiscard]] char* writeCallDateUtf8(qint64 msecs, char* out);

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

// One written form of call dates, read strictly: the whole text, every field
// in range, no lenient guessing. A file's dates are matched against such forms
// to find the one they were written in.
class CallDateForm {
 public:
  // The export form (short date, medium time) of `locale` in the current time
  // zone; nothing when ICU has no formatter for it.
  [[nodiscard]] static std::optional<CallDateForm> exportFormOf(const icu::Locale& locale);
  // The export form of the user's own locale.
  [[nodiscard]] static CallDateForm currentExportForm();
  // ISO 8601 (2026-12-06, 2026-12-06T15:04:05, with or without a zone).
  [[nodiscard]] static CallDateForm iso();

  CallDateForm(CallDateForm&&) noexcept;
  CallDateForm& operator=(CallDateForm&&) noexcept;
  ~CallDateForm();

  [[nodiscard]] std::optional<QDateTime> read(const QString& text) const;
  // The locale's name ("de_DE"); empty for ISO 8601.
  [[nodiscard]] const QString& localeName() const { return name_; }
  // The form's text for two fixed instants: forms with the same sample read alike.
  [[nodiscard]] QString sample() const;

 private:
  struct State;
  CallDateForm(std::unique_ptr<State> state, QString name);
  std::unique_ptr<State> state_;
  QString name_;
};
