#include "prefs/user_defaults.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <memory>

#include "prefs/archived_value.h"
#include "prefs/defaults_store.h"
#include "prefs/plist_value.h"
#include "prefs/save_events.h"
#include "prefs/value_conversion.h"
#include "text/system_log.h"

namespace {

bool& savesInBackground() {
  static bool on = false;
  return on;
}

// The standard defaults: the stored domains and the registered values. Built
// on first use; resetDefaults() drops it so the next use reads the files anew.
struct StandardDefaults {
  DomainStore store{Tirr_UserDefaults::preferencesFolder()};
  QVariantMap registered;

  StandardDefaults() {
    store.setBackgroundSaving(savesInBackground());
    store.setSaveFinished([](const QString& path, const std::optional<QString>& error) {
      Q_EMIT DefaultsSaveEvents::instance()->saveFinished(path, error.value_or(QString()));
    });
  }
};

std::unique_ptr<StandardDefaults>& standardSlot() {
  static std::unique_ptr<StandardDefaults> slot;
  return slot;
}

StandardDefaults& standard() {
  auto& slot = standardSlot();
  if (!slot) slot = std::make_unique<StandardDefaults>();
  return *slot;
}

void store(const QVariant& value, const QString& key) {
  if (const auto canonical = plist::normalized(value)) {
    standard().store.setValue(Tirr_UserDefaults::applicationDomain(), key, *canonical);
    Tirr_UserDefaults::synchronizeDefaults();
  }
}

std::optional<QVariant> unarchived(std::optional<QVariant> value, QString* error) {
  if (!value || value->userType() != QMetaType::QByteArray) return value;
  return archive::unarchive(*static_cast<const QByteArray*>(value->constData()), error);
}

double narrowed(double d) { return double(float(d)); }

}  // namespace

QString Tirr_UserDefaults::applicationDomain() { return QStringLiteral("org.telvane.ListDialer"); }
QString Tirr_UserDefaults::globalDomain() { return QStringLiteral("NSGlobalDomain"); }
QString Tirr_UserDefaults::preferencesFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/tirr-defaults");
}

void Tirr_UserDefaults::registerDefaults(const QVariantMap& defaults) {
  QVariantMap& registered = standard().registered;
  for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
    if (const auto canonical = plist::normalized(it.value())) registered.insert(it.key(), *canonical);
}

void Tirr_UserDefaults::registerDefault(const QVariant& value, const QString& key) {
  registerDefaults(QVariantMap{{key, value}});
}

void Tirr_UserDefaults::writeDefault(const QVariant& value, const QString& key) {
  if (!value.isValid()) return removeDefault(key);
  store(value, key);
}

void Tirr_UserDefaults::writeBoolDefault(bool value, const QString& key) { store(QVariant(value), key); }
void Tirr_UserDefaults::writeFloatDefault(double value, const QString& key) {
  store(QVariant(float(value)), key);
}
void Tirr_UserDefaults::writeIntegerDefault(qint64 value, const QString& key) {
  store(QVariant::fromValue(value), key);
}
void Tirr_UserDefaults::writeDoubleDefault(double value, const QString& key) { store(QVariant(value), key); }

void Tirr_UserDefaults::writeArchivedDataDefault(const QVariant& value, const QString& key) {
  if (const auto data = archive::archive(value)) store(QVariant(*data), key);
}

void Tirr_UserDefaults::removeDefault(const QString& key) {
  standard().store.removeValue(applicationDomain(), key);
  synchronizeDefaults();
}

void Tirr_UserDefaults::writeProducedDefault(DomainStore::ValueProducer produce, const QString& key) {
  standard().store.setValueProducer(applicationDomain(), key, std::move(produce));
  synchronizeDefaults();
}

void Tirr_UserDefaults::adoptProducedDefault(DomainStore::ValueProducer produce, const QString& key) {
  standard().store.adoptValueProducer(applicationDomain(), key, std::move(produce));
}

bool Tirr_UserDefaults::visitRecordsDefault(const QString& key, plist::RecordVisitor& visitor) {
  StandardDefaults& defaults = standard();
  for (const QString& domain : {applicationDomain(), globalDomain()})
    if (defaults.store.contains(domain, key)) return defaults.store.visitRecords(domain, key, visitor);
  const auto it = defaults.registered.constFind(key);
  return it != defaults.registered.cend() && plist::visitRecords(*it, visitor);
}

bool Tirr_UserDefaults::synchronizeDefaults() { return standard().store.synchronize(); }

void Tirr_UserDefaults::setSavesInBackground(bool on) {
  savesInBackground() = on;
  if (auto& slot = standardSlot()) slot->store.setBackgroundSaving(on);
}

bool Tirr_UserDefaults::waitForPendingSaves() {
  auto& slot = standardSlot();
  return !slot || slot->store.waitForPendingSaves();
}

std::optional<DomainLoadProblem> Tirr_UserDefaults::applicationDomainProblem() {
  return standard().store.loadProblem(applicationDomain());
}

void Tirr_UserDefaults::resetDefaults() {
  auto& slot = standardSlot();
  if (!slot) return;
  (void)slot->store.synchronize();
  (void)slot->store.waitForPendingSaves();
  slot.reset();
}

std::optional<QVariant> Tirr_UserDefaults::readDefault(const QString& key) {
  StandardDefaults& defaults = standard();
  if (auto v = defaults.store.value(applicationDomain(), key)) return v;
  if (auto v = defaults.store.value(globalDomain(), key)) return v;
  const auto it = defaults.registered.constFind(key);
  if (it == defaults.registered.cend()) return std::nullopt;
  return *it;
}

bool Tirr_UserDefaults::readBoolDefault(const QString& key) {
  const auto v = readDefault(key);
  return v && defaults_conversion::defaultsBool(*v);
}

double Tirr_UserDefaults::readFloatDefault(const QString& key) { return narrowed(readDoubleDefault(key)); }

qint64 Tirr_UserDefaults::readIntegerDefault(const QString& key) {
  const auto v = readDefault(key);
  return v ? defaults_conversion::toInteger(*v) : 0;
}

double Tirr_UserDefaults::readDoubleDefault(const QString& key) {
  const auto v = readDefault(key);
  return v ? defaults_conversion::toDouble(*v) : 0.0;
}

std::optional<QVariant> Tirr_UserDefaults::readArchivedDataDefault(const QString& key) {
  QString why;
  auto result = unarchived(readDefault(key), &why);
  if (!result && !why.isEmpty()) systemLog(QStringLiteral("error: ") + why);
  return result;
}

bool Tirr_UserDefaults::defaultExists(const QString& key) { return readDefault(key).has_value(); }

QVariantMap Tirr_UserDefaults::allDefaults() {
  StandardDefaults& defaults = standard();
  QVariantMap all = defaults.registered;
  for (const QString& domain : {globalDomain(), applicationDomain()})
    if (const QVariantMap* values = defaults.store.values(domain); values)
      for (auto it = values->cbegin(); it != values->cend(); ++it) all.insert(it.key(), it.value());
  return all;
}

std::optional<QVariantMap> Tirr_UserDefaults::allDefaultsForPersistentDomain(const QString& domain) {
  const QVariantMap* values = standard().store.values(domain);
  if (!values || values->isEmpty()) return std::nullopt;
  return *values;
}

std::optional<QVariant> Tirr_UserDefaults::readDefault(const QString& key, const QString& domain) {
  return standard().store.value(domain, key);
}

bool Tirr_UserDefaults::readBoolDefault(const QString& key, const QString& domain) {
  const auto v = readDefault(key, domain);
  return v && defaults_conversion::ownBool(*v);
}

double Tirr_UserDefaults::readFloatDefault(const QString& key, const QString& domain) {
  return narrowed(readDoubleDefault(key, domain));
}

qint64 Tirr_UserDefaults::readIntegerDefault(const QString& key, const QString& domain) {
  const auto v = readDefault(key, domain);
  return v ? defaults_conversion::toInteger(*v) : 0;
}

double Tirr_UserDefaults::readDoubleDefault(const QString& key, const QString& domain) {
  const auto v = readDefault(key, domain);
  return v ? defaults_conversion::toDouble(*v) : 0.0;
}

std::optional<QVariant> Tirr_UserDefaults::readArchivedDataDefault(const QString& key, const QString& domain,
                                                                   QString* error) {
  return unarchived(readDefault(key, domain), error);
}

bool Tirr_UserDefaults::defaultExists(const QString& key, const QString& domain) {
  return readDefault(key, domain).has_value();
}

void Tirr_UserDefaults::positionWindowOnLaunch(QWidget* window) {
  if (!window || defaultExists(QStringLiteral("NSWindow Frame ") + window->objectName())) return;
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

QString Tirr_UserDefaults::lastDirectory() {
  const auto stored = readDefault(QStringLiteral("NSNavLastRootDirectory"));
  const QString home = QDir::homePath();
  if (!stored || stored->userType() != QMetaType::QString || stored->toString().isEmpty())
    return home + QStringLiteral("/Desktop");
  const QString path = stored->toString();
  if (path == u"~") return home;
  if (path.startsWith(u"~/")) return home + path.mid(1);
  return path;
}
