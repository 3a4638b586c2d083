// Values beyond the stored preferences: the application's information
// dictionary, property list files, bound updates, the user's country and the
// application's date stamp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/timezone.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "prefs/property_list.h"
#include "prefs/user_defaults.h"
#include "prefs/user_defaults_controller.h"
#include "text/system_log.h"

namespace {

const QString kLastSelectedCityKey = QStringLiteral("com.apple.TimeZonePref.Last_Selected_City");
const QString kDefaultCountryCode = QStringLiteral("US");

std::optional<QVariant> valueInDictionary(const QVariant& root, const QString& key) {
  if (root.userType() != QMetaType::QVariantMap) return std::nullopt;
  const QVariantMap& map = *static_cast<const QVariantMap*>(root.constData());
  const auto found = map.constFind(key);
  if (found == map.cend()) return std::nullopt;
  return *found;
}

// Reads the property list at `path`; nullopt with the reason in `error`.
std::optional<QVariant> readPropertyList(const QString& path, QString* error) {
  // Only a regular file: a FIFO or device would block or never end.
  const QFileInfo info(path);
  if (!info.exists()) {
    *error = QStringLiteral("%1: no such file").arg(path);
    return std::nullopt;
  }
  if (!info.isFile()) {
    *error = QStringLiteral("%1: not a regular file").arg(path);
    return std::nullopt;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  return plist::decode(file.readAll(), error);
}

const QVariant& informationDictionary() {
  static const QVariant dictionary = [] {
    QString ignored;
    return readPropertyList(QStringLiteral(":/Info.plist"), &ignored).value_or(QVariant());
  }();
  return dictionary;
}

// The two-letter country of ICU's default time zone, or nullopt for a zone of
// no country ("001" for UTC) or an unknown zone.
std::optional<QString> timeZoneCountry() {
  const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  if (!zone) return std::nullopt;
  icu::UnicodeString id;
  zone->getID(id);
  char region[8] = {};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = icu::TimeZone::getRegion(id, region, sizeof region, status);
  if (U_FAILURE(status) || length != 2 || !QChar::isLetter(region[0]) || !QChar::isLetter(region[1]))
    return std::nullopt;
  return QString::fromLatin1(region, 2).toUpper();
}

}  // namespace

std::optional<QVariant> Tirr_UserDefaults::plistValue(const QString& key) {
  std::optional<QVariant> value = valueInDictionary(informationDictionary(), key);
  if (value && value->userType() == QMetaType::QString) {
    const QByteArray source = key.toUtf8();
    const QString translated = QCoreApplication::translate("InfoPlist", source.constData());
    if (translated != key) return QVariant(translated);
  }
  return value;
}

std::optional<QVariant> Tirr_UserDefaults::plistValue(const QString& path, const QString& key) {
  QString error;
  const std::optional<QVariant> root = readPropertyList(path, &error);
  if (!root) {
    systemLog(QStringLiteral("plistValue error: %1").arg(error));
    return std::nullopt;
  }
  return valueInDictionary(*root, key);
}

void Tirr_UserDefaults::updateValue(const QVariant& value, const QString& key) {
  if (value.isValid()) {
    const std::optional<QVariant> stored = plist::normalized(value);
    if (!stored) return;
    writeDefault(*stored, key);
    UserDefaultsController::sharedUserDefaultsController()->announce(key, *stored);
  } else {
    removeDefault(key);
    UserDefaultsController::sharedUserDefaultsController()->announce(key, QVariant());
  }
}

QString Tirr_UserDefaults::userCountryCode() {
  const std::optional<QVariant> city = readDefault(kLastSelectedCityKey);
  if (!city) return timeZoneCountry().value_or(kDefaultCountryCode);
  // Anything but a list with a string fifth element is unusable.
  if (city->userType() != QMetaType::QVariantList) return kDefaultCountryCode;
  const QVariantList& fields = *static_cast<const QVariantList*>(city->constData());
  if (fields.size() < 5 || fields[4].userType() != QMetaType::QString) return kDefaultCountryCode;
  return fields[4].toString().toUpper();
}

void Tirr_UserDefaults::touchBundleDate() {
  const QString executable = QCoreApplication::applicationFilePath();
  if (executable.isEmpty()) return;
  // A null time list means "now" for both times; failure is of no concern.
  (void)::utimensat(AT_FDCWD, QFile::encodeName(executable).constData(), nullptr, 0);
}
