#include "prefs/defaults_store.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "prefs/atomic_file.h"
#include "prefs/plist_binary.h"
#include "prefs/property_list.h"
#include "text/system_log.h"

namespace {

bool isValidDomainName(const QString& name) {
  return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(QChar(0));
}

// Renames an unreadable file out of the way, keeping it for the user to
// inspect; answers the new name, or an empty string when renaming failed.
QString moveAside(const QString& path) {
  const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmsszzz'Z'"));
  QString target = path + QStringLiteral(".corrupt-") + stamp;
  for (int n = 2; QFile::exists(target) && n < 100; ++n)
    target = path + QStringLiteral(".corrupt-%1-%2").arg(stamp).arg(n);
  return QFile::rename(path, target) ? target : QString();
}

}  // namespace

DomainStore::DomainStore(QString directory) : directory_(std::move(directory)) {}

QString DomainStore::filePath(const QString& domain) const {
  return directory_ + u'/' + domain + QStringLiteral(".plist");
}

DomainStore::Domain* DomainStore::domain(const QString& name) {
  if (!isValidDomainName(name)) return nullptr;
  auto it = domains_.find(name);
  if (it == domains_.end()) it = domains_.emplace(name, load(name)).first;
  return &it->second;
}

std::optional<QVariant> DomainStore::value(const QString& name, const QString& key) {
  Domain* d = domain(name);
  if (!d) return std::nullopt;
  if (const auto it = d->values.constFind(key); it != d->values.cend()) return *it;
  return decode(*d, key);
}

const QVariantMap* DomainStore::values(const QString& name) {
  Domain* d = domain(name);
  if (!d) return nullptr;
  decodeAll(*d);
  return &d->values;
}

// Moves the value of `key` from the domain's file into its map; forgets the
// file once every value has been taken out of it.
std::optional<QVariant> DomainStore::decode(Domain& d, const QString& key) {
  const auto it = d.encoded.constFind(key);
  if (it == d.encoded.cend()) return std::nullopt;
  QString why;
  auto value = d.file->value(*it, &why);
  d.encoded.erase(it);
  if (d.encoded.isEmpty()) d.file.reset();
  if (!value) {
    // The file was checked whole when loaded, so this is not expected; the
    // key is then treated as absent.
    systemLog(QStringLiteral("error: ") + why);
    return std::nullopt;
  }
  d.values.insert(key, *value);
  return value;
}

void DomainStore::decodeAll(Domain& d) {
  for (const QString& key : d.encoded.keys()) (void)decode(d, key);
}

void DomainStore::setValue(const QString& name, const QString& key, const QVariant& value) {
  if (Domain* d = domain(name)) {
    d->values.insert(key, value);
    d->encoded.remove(key);
    d->dirty = true;
  }
}

void DomainStore::removeValue(const QString& name, const QString& key) {
  Domain* d = domain(name);
  if (d && d->values.remove(key) + d->encoded.remove(key) > 0) d->dirty = true;
}

bool DomainStore::synchronize() {
  bool ok = true;
  for (auto& [name, domain] : domains_)
    if (domain.dirty && !save(name, domain)) ok = false;
  return ok;
}

DomainStore::Domain DomainStore::load(const QString& name) const {
  const QString path = filePath(name);
  QFile file(path);
  if (!file.exists()) return {};
  QString why;
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
      why = file.errorString();
    } else if (plist::looksBinary(bytes)) {
      // Checked whole now; each value is decoded on its first read.
      if (auto dictionary = plist::BinaryDictionary::open(bytes, &why)) {
        Domain d;
        d.encoded = dictionary->entries();
        if (!d.encoded.isEmpty()) d.file = std::move(dictionary);
        return d;
      }
    } else {
      // Files in the XML or text form are rare: they are decoded whole.
      const auto decoded = plist::decode(bytes, &why);
      if (decoded && decoded->userType() == QMetaType::QVariantMap) {
        Domain d;
        d.values = decoded->toMap();
        return d;
      }
      if (decoded) why = QStringLiteral("the top level is not a dictionary");
    }
    file.close();
  } else {
    why = file.errorString();
  }
  const QString aside = moveAside(path);
  if (aside.isEmpty()) {
    systemLog(
        QStringLiteral("error: cannot read preferences file %1 (%2); it is left untouched and not written")
            .arg(path, why));
    Domain unwritable;
    unwritable.writable = false;
    return unwritable;
  }
  systemLog(
      QStringLiteral("error: cannot read preferences file %1 (%2); moved aside to %3").arg(path, why, aside));
  return {};
}

bool DomainStore::save(const QString& name, Domain& domain) const {
  if (!domain.writable) return false;
  decodeAll(domain);
  const auto bytes = plist::encodeBinary(QVariant(domain.values));
  if (!bytes) return false;
  if (!QDir(directory_).exists()) {
    QDir().mkpath(QFileInfo(directory_).absolutePath());
    ::mkdir(QFile::encodeName(directory_).constData(), S_IRWXU);
  }
  if (!writeFileAtomically(filePath(name), *bytes)) return false;
  domain.dirty = false;
  return true;
}
