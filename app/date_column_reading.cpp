#include "app/date_column_reading.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <QSet>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "app/call_dates.h"
#include "app/call_list_io.h"

namespace {

const QString kIsoName = QStringLiteral("ISO 8601");

// Every text read in `form`, or nothing as soon as one does not read. The
// text at `probe` goes first: it is the one an earlier form failed on, and
// most forms fail on it at once.
std::optional<QList<std::optional<QDateTime>>> readAll(const CallDateForm& form, const QStringList& texts,
                                                       qsizetype probe) {
  if (probe >= 0 && !form.read(texts[probe])) return std::nullopt;
  QList<std::optional<QDateTime>> dates;
  dates.reserve(texts.size());
  for (const QString& text : texts) {
    std::optional<QDateTime> date = form.read(text);
    if (!date) return std::nullopt;
    dates.append(std::move(date));
  }
  return dates;
}

// The locales whose forms are tried: those call lists most often come from,
// then the user's language, then every other one ICU knows.
std::vector<icu::Locale> candidateLocales() {
  static const char* const kCommon[] = {"en_US", "en_GB", "de_DE", "fr_FR", "es_ES", "it_IT", "nl_NL",
                                        "pt_BR", "pl_PL", "sv_SE", "ru_RU", "ja_JP", "zh_CN"};
  std::vector<icu::Locale> locales(std::begin(kCommon), std::end(kCommon));
  const icu::Locale own = icu::Locale::getDefault();
  int32_t count = 0;
  const icu::Locale* available = icu::DateFormat::getAvailableLocales(count);
  std::vector<icu::Locale> rest;
  for (int32_t i = 0; i < count; ++i)
    (std::strcmp(available[i].getLanguage(), own.getLanguage()) == 0 ? locales : rest)
        .push_back(available[i]);
  locales.insert(locales.end(), rest.begin(), rest.end());
  return locales;
}

// The other locales' export forms, one per distinct way of writing a date, in
// the order of candidateLocales(). Built one by one as they are asked for (a
// form costs ICU a fraction of a millisecond, and the first few nearly always
// serve), and kept for the locale and zone of that moment.
class OtherForms {
 public:
  // The form at `i`, or none when there are fewer.
  const CallDateForm* at(std::size_t i, const CallDateForm& own) {
    refresh(own);
    while (forms_.size() <= i && next_ < locales_.size()) {
      std::optional<CallDateForm> form = CallDateForm::exportFormOf(locales_[next_++]);
      if (!form || seen_.contains(form->sample())) continue;
      seen_.insert(form->sample());
      forms_.push_back(std::move(*form));
    }
    return i < forms_.size() ? &forms_[i] : nullptr;
  }

 private:
  void refresh(const CallDateForm& own) {
    icu::UnicodeString zone;
    std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault())->getID(zone);
    const QString key = QString::fromUtf8(icu::Locale::getDefault().getName()) + u'|' +
                        QString(reinterpret_cast<const QChar*>(zone.getBuffer()), zone.length());
    if (key == builtFor_) return;
    builtFor_ = key;
    locales_ = candidateLocales();
    next_ = 0;
    forms_.clear();
    seen_ = {own.sample()};
  }

  QString builtFor_;
  std::vector<icu::Locale> locales_;
  std::size_t next_ = 0;
  std::vector<CallDateForm> forms_;
  QSet<QString> seen_;
};

}  // namespace

DateColumnReading readDateColumn(const QStringList& texts) {
  DateColumnReading reading;
  if (texts.isEmpty()) return reading;
  const CallDateForm own = CallDateForm::currentExportForm();
  // Where the user's own form stops reading; -1 while it reads everything.
  qsizetype failure = -1;
  reading.dates.reserve(texts.size());
  for (qsizetype i = 0; i < texts.size() && failure < 0; ++i) {
    std::optional<QDateTime> date = own.read(texts[i]);
    if (!date) failure = i;
    reading.dates.append(std::move(date));
  }
  if (failure < 0) return reading;

  if (auto all = readAll(CallDateForm::iso(), texts, failure)) {
    reading.dates = std::move(*all);
    reading.form = kIsoName;
    return reading;
  }
  // Every locale writes its dates with digits: when a text has none, such as
  // "call back", no form reads them all, and none need be built to say so.
  const bool digits = std::all_of(texts.begin(), texts.end(), [](const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
  });
  static OtherForms others;
  for (std::size_t i = 0; digits; ++i) {
    const CallDateForm* form = others.at(i, own);
    if (!form) break;
    if (auto all = readAll(*form, texts, failure)) {
      reading.dates = std::move(*all);
      reading.form = form->localeName();
      return reading;
    }
  }
  // No one form: every text on its own, as the user's locale reads it.
  reading.dates.clear();
  for (const QString& text : texts) {
    std::optional<QDateTime> date = parseCallDate(text);
    if (!date) ++reading.unread;
    reading.dates.append(std::move(date));
  }
  return reading;
}

QString dateFormDisplayName(const QString& form) {
  if (form.isEmpty() || form == kIsoName) return form;
  icu::UnicodeString name;
  icu::Locale(form.toUtf8().constData()).getDisplayName(icu::Locale::getDefault(), name);
  return name.isEmpty() ? form : QString(reinterpret_cast<const QChar*>(name.getBuffer()), name.length());
}
