// Call dates as the user reads them: one process-wide ICU formatter (short
// date, medium time, the user's locale and time zone) for the table and the
// export, and a parser that reads that text back along with ISO 8601 and the
// locale's longer date styles.
//
// ICU takes about a microsecond to format and three to parse one date, which
// dominates exporting or importing a long list. Where the locale's pattern is
// purely numeric (en_US "M/d/yy, h:mm:ss a", de_DE "dd.MM.yy, HH:mm:ss", ...)
// a small renderer and reader of that pattern (numeric_date_pattern.h) do the
// work instead; they are checked against ICU when the formatter is built and
// switched off for any locale where they disagree, so ICU stays the
// reference. For the export the
// renderer writes UTF-8, keeps the text of recent days, and takes the zone's
// offset from the span between two transitions that the date falls in.
#include "app/call_dates.h"

#include <unicode/basictz.h>
#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/tztrans.h>

#include <QByteArray>
#include <QHash>
#include <QTimeZone>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "app/call_list_io.h"
#include "app/numeric_date_pattern.h"

using namespace calldates;

namespace {

// --- The process-wide formatter ---------------------------------------------

}  // namespace

// The locale for dates: ICU's default (which follows LC_ALL, LC_MESSAGES and
// LANG), except that an LC_TIME of its own wins when LC_ALL does not override it.
icu::Locale callDateLocale() {
  const QByteArray all = qgetenv("LC_ALL");
  QByteArray time = qgetenv("LC_TIME");
  if (!all.isEmpty() || time.isEmpty()) return icu::Locale::getDefault();
  for (const char separator : {'.', '@'})  // de_DE.UTF-8@euro -> de_DE
    if (const qsizetype at = time.indexOf(separator); at >= 0) time.truncate(at);
  if (time.isEmpty() || time == "C" || time == "POSIX") return icu::Locale::getDefault();
  icu::Locale locale(time.constData());
  return locale.isBogus() ? icu::Locale::getDefault() : locale;
}

namespace {

struct CallDateFormats {
  std::unique_ptr<icu::DateFormat> exportFormat;  // short date, medium time
  std::unique_ptr<icu::Calendar> calendar;        // local fields -> instant
  std::optional<NumericPattern> fast;
  std::vector<std::unique_ptr<icu::DateFormat>> readers;  // built on first need
  // Local time minus UTC for local days that keep one offset all day, or
  // kUnsteady for days with a zone transition. A call list holds many dates of
  // few days, and asking the calendar costs more than reading the text.
  mutable QHash<qint64, qint64> dayOffsets;

  // The zone's offset between two of its transitions, [from, to) in UTC
  // milliseconds: a call list's dates fall into a few such spans, and asking
  // the zone costs more than formatting the date.
  struct OffsetSpan {
    qint64 from, to, offset;
  };
  const icu::BasicTimeZone* zone = nullptr;  // none: the zone is asked for every date
  mutable std::vector<OffsetSpan> spans;     // sorted by `from`

  // The export's text of recent local days, UTF-8, up to the first time
  // field, by day number modulo the table's size.
  struct DayText {
    qint64 day = std::numeric_limits<qint64>::min();
    CivilDate date;
    qsizetype size = 0;
    char bytes[kDayTextRoom];
  };
  mutable std::array<DayText, 1024> dayTexts;
};

constexpr qint64 kUnsteady = std::numeric_limits<qint64>::min();
constexpr qint64 kMsecsPerDay = 86400000;

std::unique_ptr<CallDateFormats>& formatsSlot() {
  static std::unique_ptr<CallDateFormats> slot;
  return slot;
}

qint64 icuOffset(const icu::TimeZone& zone, qint64 msecs) {
  int32_t raw = 0, dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  zone.getOffset(UDate(msecs), false, raw, dst, status);
  return qint64(raw) + dst;
}

// Local time minus UTC at `msecs`, as ICU's zone answers it.
qint64 zoneOffset(const CallDateFormats& formats, qint64 msecs) {
  using Span = CallDateFormats::OffsetSpan;
  std::vector<Span>& spans = formats.spans;
  const auto after = std::upper_bound(spans.begin(), spans.end(), msecs,
                                      [](qint64 at, const Span& span) { return at < span.from; });
  if (after != spans.begin() && msecs < std::prev(after)->to) return std::prev(after)->offset;
  const icu::TimeZone& zone = formats.exportFormat->getTimeZone();
  const qint64 offset = icuOffset(zone, msecs);
  if (!formats.zone) return offset;
  constexpr qint64 kNever = std::numeric_limits<qint64>::max();
  Span span{-kNever, kNever, offset};
  icu::TimeZoneTransition transition;
  if (formats.zone->getPreviousTransition(UDate(msecs), true, transition))
    span.from = qint64(transition.getTime());
  if (formats.zone->getNextTransition(UDate(msecs), false, transition))
    span.to = qint64(transition.getTime());
  // A span the zone does not confirm at both ends is not kept.
  if (span.from > msecs || span.to <= msecs ||
      (span.from != -kNever && icuOffset(zone, span.from) != offset) ||
      (span.to != kNever && icuOffset(zone, span.to - 1) != offset))
    return offset;
  if (spans.size() >= 1024) spans.clear();
  spans.insert(std::upper_bound(spans.begin(), spans.end(), span.from,
                                [](qint64 at, const Span& s) { return at < s.from; }),
               span);
  return offset;
}

qint64 floorDays(qint64 localMsecs) {
  return localMsecs >= 0 ? localMsecs / 86400000 : (localMsecs - 86399999) / 86400000;
}

LocalFields localFields(const CallDateFormats& formats, qint64 msecs) {
  const qint64 local = msecs + zoneOffset(formats, msecs);
  const qint64 days = floorDays(local);
  const qint64 secondOfDay = (local - days * 86400000) / 1000;
  const CivilDate date = civilFromDays(days);
  return {date.year,
          date.month,
          date.day,
          int(secondOfDay / 3600),
          int(secondOfDay / 60 % 60),
          int(secondOfDay % 60)};
}

std::optional<qint64> calendarInstant(const CallDateFormats& formats, const LocalFields& f) {
  UErrorCode status = U_ZERO_ERROR;
  formats.calendar->clear();
  formats.calendar->set(int32_t(f.year), f.month - 1, f.day, f.hour, f.minute, f.second);
  const UDate when = formats.calendar->getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return qint64(when);
}

qint64 localMsecs(qint64 days, const LocalFields& f) {
  return days * kMsecsPerDay + (qint64(f.hour) * 3600 + f.minute * 60 + f.second) * 1000;
}

// The offset of local time on day `days` when the calendar gives the same one
// at its start, middle and end; kUnsteady otherwise.
qint64 dayOffset(const CallDateFormats& formats, const LocalFields& day, qint64 days) {
  qint64 offset = kUnsteady;
  for (const int hour : {0, 12, 23}) {
    const int rest = hour == 23 ? 59 : 0;
    const LocalFields probe{day.year, day.month, day.day, hour, rest, rest};
    const std::optional<qint64> utc = calendarInstant(formats, probe);
    if (!utc) return kUnsteady;
    const qint64 here = localMsecs(days, probe) - *utc;
    if (offset != kUnsteady && here != offset) return kUnsteady;
    offset = here;
  }
  return offset;
}

// The instant of local fields, as NumericPattern::read answers them (every
// field in range): the calendar's answer, taken from the day's steady offset
// where there is one.
std::optional<qint64> instantOf(const CallDateFormats& formats, const LocalFields& f) {
  const qint64 days = daysFromCivil(f.year, f.month, f.day);
  auto it = formats.dayOffsets.constFind(days);
  if (it == formats.dayOffsets.cend()) {
    if (formats.dayOffsets.size() >= 4096) formats.dayOffsets.clear();
    it = formats.dayOffsets.insert(days, dayOffset(formats, f, days));
  }
  if (*it == kUnsteady) return calendarInstant(formats, f);
  return localMsecs(days, f) - *it;
}

// Years the fast path renders, and the years a lenient parse may give before
// it counts as a misreading: 1600 to 9999.
bool fastRange(qint64 msecs) { return msecs >= -11676096000000 && msecs < 253402300800000; }

QString icuFormat(const icu::DateFormat& format, qint64 msecs) {
  icu::UnicodeString text;
  format.format(UDate(msecs), text);
  return fromIcu(text);
}

std::optional<qint64> icuParse(const icu::DateFormat& format, const QString& text) {
  const icu::UnicodeString source = icuView(text);
  icu::ParsePosition pos(0);
  const UDate when = format.parse(source, pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != source.length()) return std::nullopt;
  return qint64(when);
}

// Checks the fast path against ICU on instants that reach every field width
// (one- and two-digit months, days and hours, both halves of the day).
bool fastPathAgrees(const CallDateFormats& formats) {
  static constexpr std::array<qint64, 6> kSamples = {
      0, 978310861000, 1018496096000, 1720000000000, 1765020245000, 1798761599000};
  for (const qint64 msecs : kSamples) {
    const QString reference = icuFormat(*formats.exportFormat, msecs);
    QString rendered;
    formats.fast->render(localFields(formats, msecs), rendered);
    if (rendered != reference) return false;
    const std::optional<LocalFields> fields = formats.fast->read(reference);
    const std::optional<qint64> back = fields ? instantOf(formats, *fields) : std::nullopt;
    if (back && back != icuParse(*formats.exportFormat, reference)) return false;
  }
  return true;
}

std::unique_ptr<CallDateFormats> buildFormats(const icu::Locale& locale) {
  auto formats = std::make_unique<CallDateFormats>();
  formats->exportFormat.reset(
      icu::DateFormat::createDateTimeInstance(icu::DateFormat::kShort, icu::DateFormat::kMedium, locale));
  if (!formats->exportFormat) return nullptr;
  formats->exportFormat->setLenient(true);
  formats->calendar.reset(formats->exportFormat->getCalendar()->clone());
  formats->zone = dynamic_cast<const icu::BasicTimeZone*>(&formats->exportFormat->getTimeZone());
  if (const auto* simple = dynamic_cast<const icu::SimpleDateFormat*>(formats->exportFormat.get()))
    formats->fast = NumericPattern::from(*simple);
  if (formats->fast && !fastPathAgrees(*formats)) formats->fast.reset();
  return formats;
}

CallDateFormats* callDateFormats() {
  std::unique_ptr<CallDateFormats>& slot = formatsSlot();
  if (!slot) slot = buildFormats(callDateLocale());
  return slot.get();
}

// The other styles the import reads: date alone and date with time, in the
// locale's short, medium, long and full date styles.
const std::vector<std::unique_ptr<icu::DateFormat>>& readers(CallDateFormats& formats) {
  if (!formats.readers.empty()) return formats.readers;
  using S = icu::DateFormat;
  static constexpr std::array<std::pair<S::EStyle, S::EStyle>, 11> kStyles = {{
      {S::kShort, S::kNone},
      {S::kMedium, S::kNone},
      {S::kLong, S::kNone},
      {S::kFull, S::kNone},
      {S::kShort, S::kShort},
      {S::kMedium, S::kMedium},
      {S::kMedium, S::kShort},
      {S::kLong, S::kMedium},
      {S::kLong, S::kShort},
      {S::kFull, S::kMedium},
      {S::kFull, S::kShort},
  }};
  const icu::Locale locale = callDateLocale();
  formats.readers.emplace_back(formats.exportFormat->clone());
  for (const auto& [date, time] : kStyles) {
    std::unique_ptr<icu::DateFormat> reader(icu::DateFormat::createDateTimeInstance(date, time, locale));
    if (!reader) continue;
    reader->setLenient(true);
    formats.readers.push_back(std::move(reader));
  }
  return formats.readers;
}

// Qt::UTC, not QTimeZone::utc(): the time-specifier form needs no zone object per date.
QDateTime utcFromMsecs(qint64 msecs) { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }

// Reads exactly `count` ASCII digits at `pos`; -1 when they are not there.
int fixedDigits(QStringView text, qsizetype& pos, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i, ++pos) {
    if (pos >= text.size() || text[pos] < u'0' || text[pos] > u'9') return -1;
    value = value * 10 + (text[pos].unicode() - u'0');
  }
  return value;
}

bool skip(QStringView text, qsizetype& pos, char16_t c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// ISO 8601 as people write it: YYYY-MM-DD, optionally followed by "T" or a
// space and hh:mm[:ss[.fff]], optionally followed by Z or an offset +hh[:mm].
// Without a zone (or for a bare date, read as midnight) the fields are local
// time in the formatter's zone. Nothing when the whole text is not that form.
std::optional<QDateTime> parseIso(CallDateFormats& formats, QStringView text) {
  qsizetype pos = 0;
  LocalFields f{fixedDigits(text, pos, 4), 1, 1, 0, 0, 0};
  int msec = 0;
  if (f.year < 0 || !skip(text, pos, u'-') || (f.month = fixedDigits(text, pos, 2)) < 0 ||
      !skip(text, pos, u'-') || (f.day = fixedDigits(text, pos, 2)) < 0)
    return std::nullopt;
  std::optional<int> offsetMinutes;
  if (pos < text.size()) {
    if (!skip(text, pos, u'T') && !skip(text, pos, u' ')) return std::nullopt;
    if ((f.hour = fixedDigits(text, pos, 2)) < 0 || !skip(text, pos, u':') ||
        (f.minute = fixedDigits(text, pos, 2)) < 0)
      return std::nullopt;
    if (skip(text, pos, u':') && (f.second = fixedDigits(text, pos, 2)) < 0) return std::nullopt;
    if (skip(text, pos, u'.') || skip(text, pos, u',')) {
      int digits = 0;
      for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos, ++digits)
        if (digits < 3) msec = msec * 10 + (text[pos].unicode() - u'0');
      if (digits == 0) return std::nullopt;
      for (; digits < 3; ++digits) msec *= 10;
    }
    if (skip(text, pos, u'Z')) {
      offsetMinutes = 0;
    } else if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
      const int sign = text[pos++] == u'-' ? -1 : 1;
      const int hours = fixedDigits(text, pos, 2);
      skip(text, pos, u':');
      const int minutes = pos < text.size() ? fixedDigits(text, pos, 2) : 0;
      if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return std::nullopt;
      offsetMinutes = sign * (hours * 60 + minutes);
    }
  }
  if (pos != text.size() || f.month < 1 || f.month > 12 || f.day < 1 ||
      f.day > daysInMonth(f.year, f.month) || f.hour > 23 || f.minute > 59 || f.second > 59)
    return std::nullopt;
  if (!offsetMinutes) {
    const std::optional<qint64> msecs = instantOf(formats, f);
    if (!msecs) return std::nullopt;
    return utcFromMsecs(*msecs + msec);
  }
  const qint64 days = QDate(int(f.year), f.month, f.day).toJulianDay() - QDate(1970, 1, 1).toJulianDay();
  const qint64 seconds = days * 86400 + f.hour * 3600 + f.minute * 60 + f.second - *offsetMinutes * 60;
  return utcFromMsecs(seconds * 1000 + msec);
}

}  // namespace

void resetCallDateFormatterForTesting() { formatsSlot().reset(); }

ScopedCallDateLocale::ScopedCallDateLocale(const char* locale, const char* zone)
    : locale_(icu::Locale::getDefault()), zone_(icu::TimeZone::createDefault()) {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(icu::Locale(locale), status);
  icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
  resetCallDateFormatterForTesting();
}

ScopedCallDateLocale::~ScopedCallDateLocale() {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale::setDefault(locale_, status);
  icu::TimeZone::setDefault(*zone_);
  resetCallDateFormatterForTesting();
}

void appendCallDate(QString& out, const QDateTime& date) {
  CallDateFormats* formats = date.isValid() ? callDateFormats() : nullptr;
  if (!formats) return;
  const qint64 msecs = date.toMSecsSinceEpoch();
  if (formats->fast && fastRange(msecs))
    formats->fast->render(localFields(*formats, msecs), out);
  else
    out += icuFormat(*formats->exportFormat, msecs);
}

char* writeCallDateUtf8(qint64 msecs, char* out) {
  const CallDateFormats* formats = callDateFormats();
  if (!formats || !formats->fast || !fastRange(msecs) || formats->fast->maxUtf8Size() > kCallDateUtf8Room)
    return nullptr;
  const NumericPattern& pattern = *formats->fast;
  const qint64 local = msecs + zoneOffset(*formats, msecs);
  const qint64 days = floorDays(local);
  CallDateFormats::DayText& day = formats->dayTexts[size_t(days) % formats->dayTexts.size()];
  if (day.day != days) {
    day.day = days;
    day.date = civilFromDays(days);
    const LocalFields dayFields{day.date.year, day.date.month, day.date.day, 0, 0, 0};
    day.size = pattern.renderUtf8(dayFields, day.bytes, 0, pattern.dayParts()) - day.bytes;
  }
  std::memcpy(out, day.bytes, size_t(day.size));
  const int second = int((local - days * kMsecsPerDay) / 1000);
  const LocalFields f{day.date.year, day.date.month,   day.date.day,
                      second / 3600, second / 60 % 60, second % 60};
  return pattern.renderUtf8(f, out + day.size, pattern.dayParts(), pattern.partCount());
}

QString formatCallDate(const QDateTime& date) {
  QString text;
  appendCallDate(text, date);
  return text;
}

std::optional<QDateTime> parseCallDate(const QString& text) {
  const QString trimmed = text.trimmed();
  CallDateFormats* formats = trimmed.isEmpty() ? nullptr : callDateFormats();
  if (!formats) return std::nullopt;
  if (formats->fast) {
    if (const std::optional<LocalFields> fields = formats->fast->read(trimmed))
      if (const std::optional<qint64> msecs = instantOf(*formats, *fields)) return utcFromMsecs(*msecs);
  }
  if (std::optional<QDateTime> iso = parseIso(*formats, trimmed)) return iso;
  // Text that starts like an ISO date and is not one (2026-02-30, 2026-7-6) is
  // no date: ICU's lenient parser would read the hyphens as signs.
  if (trimmed.size() > 4 && trimmed[4] == u'-' &&
      std::all_of(trimmed.begin(), trimmed.begin() + 4, [](QChar c) { return c >= u'0' && c <= u'9'; }))
    return std::nullopt;
  // ICU writes U+202F or U+00A0 in some locales' patterns, users type spaces:
  // try the text as given, with plain spaces, and with narrow no-break spaces.
  QString spaces = trimmed;
  for (QChar& c : spaces)
    if (isSpaceLike(c.unicode())) c = u' ';
  if (std::none_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.isDigit(); }))
    return std::nullopt;  // every date style the locale has holds a number
  QString narrow = spaces;
  narrow.replace(u' ', QChar(0x202F));
  for (const QString& variant : {trimmed, spaces, narrow}) {
    for (const auto& reader : readers(*formats))
      if (const std::optional<qint64> msecs = icuParse(*reader, variant); msecs && fastRange(*msecs))
        return utcFromMsecs(*msecs);
  }
  return std::nullopt;
}

// --- Strict reading in one form, for finding the form a file was written in --

struct CallDateForm::State {
  std::unique_ptr<CallDateFormats> formats;  // none: ISO 8601
  std::unique_ptr<icu::DateFormat> strict;   // the export form without lenient guessing
};

CallDateForm::CallDateForm(std::unique_ptr<State> state, QString name)
    : state_(std::move(state)), name_(std::move(name)) {}
CallDateForm::CallDateForm(CallDateForm&&) noexcept = default;
CallDateForm& CallDateForm::operator=(CallDateForm&&) noexcept = default;
CallDateForm::~CallDateForm() = default;

std::optional<CallDateForm> CallDateForm::exportFormOf(const icu::Locale& locale) {
  auto state = std::make_unique<State>();
  state->formats = buildFormats(locale);
  if (!state->formats) return std::nullopt;
  state->strict.reset(state->formats->exportFormat->clone());
  state->strict->setLenient(false);
  return CallDateForm(std::move(state), QString::fromUtf8(locale.getName()));
}

CallDateForm CallDateForm::currentExportForm() {
  std::optional<CallDateForm> form = exportFormOf(callDateLocale());
  return form ? std::move(*form) : iso();
}

CallDateForm CallDateForm::iso() { return CallDateForm(std::make_unique<State>(), QString()); }

std::optional<QDateTime> CallDateForm::read(const QString& text) const {
  if (!state_->formats) {
    CallDateFormats* formats = callDateFormats();
    return formats ? parseIso(*formats, text) : std::nullopt;
  }
  const CallDateFormats& formats = *state_->formats;
  if (formats.fast) {
    if (const std::optional<LocalFields> fields = formats.fast->read(text))
      if (const std::optional<qint64> msecs = instantOf(formats, *fields)) return utcFromMsecs(*msecs);
  }
  const std::optional<qint64> msecs = icuParse(*state_->strict, text);
  if (msecs && fastRange(*msecs)) return utcFromMsecs(*msecs);
  return std::nullopt;
}

QString CallDateForm::sample() const {
  if (!state_->formats) return QStringLiteral("ISO 8601");
  // A morning and an afternoon with one- and two-digit fields: forms that
  // write both alike read alike.
  return icuFormat(*state_->formats->exportFormat, 981173106000) + u'|' +
         icuFormat(*state_->formats->exportFormat, 1797287624000);
}
