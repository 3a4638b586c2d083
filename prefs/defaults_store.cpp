#include "prefs/defaults_store.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

#include "prefs/binary_list_file.h"
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

// A domain file whose contents were not taken: logged, and never written over.
DomainLoadProblem notRead(const QString& path, const QString& why) {
  systemLog(
      QStringLiteral("error: cannot read preferences file %1 (%2); it is left untouched and not written")
          .arg(path, why));
  return {DomainLoadProblem::Kind::Unreadable, path, why, {}};
}

// Encodes `values` with the produced ones added and writes them durably to
// `path`, making the folder (owner-only) when it is missing. Answers the
// reason on failure. Safe on any thread: it reads only its arguments, and
// `last`, which one write uses at a time.
std::optional<QString> writeDomainFile(const QString& directory, const QString& path, QVariantMap values,
                                       const QHash<QString, DomainStore::ValueProducer>& produced,
                                       DomainStore::LastWrite& last) {
  for (auto it = produced.cbegin(); it != produced.cend(); ++it) {
    std::optional<QVariant> value = it.value()();
    if (!value) return QStringLiteral("the value of \"%1\" has no property-list form").arg(it.key());
    values.insert(it.key(), std::move(*value));
  }
  if (!QDir(directory).exists()) {
    QDir().mkpath(QFileInfo(directory).absolutePath());
    ::mkdir(QFile::encodeName(directory).constData(), S_IRWXU);
  }
  std::lock_guard lock(last.mutex);
  return writeBinaryListFile(path, QVariant(std::move(values)), &last.list);
}

}  // namespace

DomainStore::DomainStore(QString directory) : directory_(std::move(directory)) {}

DomainStore::~DomainStore() {
  writer_.reset();  // finishes the queued writes while the store still exists
}

void DomainStore::setBackgroundSaving(bool on) {
  if (on == bool(writer_)) return;
  if (!on) {
    writer_.reset();
    reports_.reset();
    return;
  }
  reports_ = std::make_unique<QObject>();
  QObject* context = reports_.get();
  writer_ = std::make_unique<BackgroundWriter>(
      [this, context](const QString& path, const std::optional<QString>& error) {
        QMetaObject::invokeMethod(
            context, [this, path, error] { finished(path, error); }, Qt::QueuedConnection);
      });
}

bool DomainStore::waitForPendingSaves() { return !writer_ || writer_->waitForIdle(); }

void DomainStore::finished(const QString& path, const std::optional<QString>& error) {
  if (error) {
    for (auto& [name, domain] : domains_)
      if (filePath(name) == path) domain.dirty = true;  // to be tried again at the next synchronize()
  }
  if (saveFinished_) saveFinished_(path, error);
}

std::optional<DomainLoadProblem> DomainStore::loadProblem(const QString& name) {
  const Domain* d = domain(name);
  return d ? d->problem : std::nullopt;
}

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
  if (d->produced.contains(key)) return produce(*d, key);
  return decode(*d, key);
}

const QVariantMap* DomainStore::values(const QString& name) {
  Domain* d = domain(name);
  if (!d) return nullptr;
  decodeAll(*d);
  for (const QString& key : d->produced.keys()) (void)produce(*d, key);
  return &d->values;
}

// Makes a produced value now, for a read; it is kept as an ordinary value.
std::optional<QVariant> DomainStore::produce(Domain& d, const QString& key) {
  std::optional<QVariant> value = d.produced.take(key)();
  if (!value) return value;
  value = plist::materialized(*value);
  d.values.insert(key, *value);
  return value;
}

bool DomainStore::visitRecords(const QString& name, const QString& key, plist::RecordVisitor& visitor) {
  Domain* d = domain(name);
  if (!d) return false;
  if (const auto it = d->values.constFind(key); it != d->values.cend())
    return plist::visitRecords(*it, visitor);
  if (const auto it = d->produced.constFind(key); it != d->produced.cend()) {
    const std::optional<QVariant> value = (*it)();
    return value && plist::visitRecords(*value, visitor);
  }
  const auto it = d->encoded.constFind(key);
  return it != d->encoded.cend() && d->file->visitRecords(*it, visitor);
}

bool DomainStore::contains(const QString& name, const QString& key) {
  Domain* d = domain(name);
  return d && (d->values.contains(key) || d->produced.contains(key) || d->encoded.contains(key));
}

void DomainStore::adoptValueProducer(const QString& name, const QString& key, ValueProducer produce) {
  if (Domain* d = domain(name)) {
    d->values.remove(key);
    d->encoded.remove(key);
    d->produced.insert(key, std::move(produce));
    // The file's bytes are held while any value is still only encoded in
    // them; what is left besides the adopted value is small, so it is
    // decoded now and the file let go.
    decodeAll(*d);
    d->file.reset();
  }
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
    // Storing a small value again (a window frame that did not move) writes
    // nothing; containers are not compared, that could take long.
    const auto it = d->values.constFind(key);
    const bool container =
        value.userType() == QMetaType::QVariantList || value.userType() == QMetaType::QVariantMap;
    if (!container && it != d->values.cend() && plist::sameValue(*it, value)) return;
    d->values.insert(key, value);
    d->encoded.remove(key);
    d->produced.remove(key);
    d->dirty = true;
  }
}

void DomainStore::removeValue(const QString& name, const QString& key) {
  Domain* d = domain(name);
  if (d && d->values.remove(key) + d->encoded.remove(key) + d->produced.remove(key) > 0) d->dirty = true;
}

void DomainStore::setValueProducer(const QString& name, const QString& key, ValueProducer produce) {
  if (Domain* d = domain(name)) {
    d->values.remove(key);
    d->encoded.remove(key);
    d->produced.insert(key, std::move(produce));
    d->dirty = true;
  }
}

bool DomainStore::synchronize() {
  bool ok = true;
  for (auto& [name, domain] : domains_)
    if (domain.dirty && !save(name, domain)) ok = false;
  return ok;
}

DomainStore::Domain DomainStore::load(const QString& name) const {
  const QString path = filePath(name);
  Domain d;
  // Only a file that is not there is a domain never stored; one that cannot be
  // looked at (a folder without access, say) may hold the user's values.
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
    if (errno != ENOENT) d.problem = notRead(path, QString::fromLocal8Bit(std::strerror(errno)));
    return d;
  }
  // A FIFO or a device would block or never end; neither is a preferences file.
  if (!S_ISREG(info.st_mode)) {
    d.problem = notRead(path, QStringLiteral("not a regular file"));
    return d;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    d.problem = notRead(path, file.errorString());
    return d;
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    d.problem = notRead(path, file.errorString());
    return d;
  }
  file.close();
  QString why;
  if (plist::looksBinary(bytes)) {
    // Checked whole now; each value is decoded on its first read.
    if (auto dictionary = plist::BinaryDictionary::open(bytes, &why)) {
      d.encoded = dictionary->entries();
      if (!d.encoded.isEmpty()) d.file = std::move(dictionary);
      return d;
    }
  } else {
    // Files in the XML or text form are rare: they are decoded whole.
    const auto decoded = plist::decode(bytes, &why);
    if (decoded && decoded->userType() == QMetaType::QVariantMap) {
      d.values = decoded->toMap();
      return d;
    }
    if (decoded) why = QStringLiteral("the top level is not a dictionary");
  }
  // Read but damaged: kept for the user under another name, and the domain starts anew.
  const QString aside = moveAside(path);
  if (aside.isEmpty()) {
    d.problem = notRead(path, why);
    return d;
  }
  systemLog(
      QStringLiteral("error: cannot read preferences file %1 (%2); moved aside to %3").arg(path, why, aside));
  d.problem = DomainLoadProblem{DomainLoadProblem::Kind::MovedAside, path, why, aside};
  return d;
}

bool DomainStore::save(const QString& name, Domain& domain) {
  const QString path = filePath(name);
  if (domain.problem && domain.problem->kind == DomainLoadProblem::Kind::Unreadable) {
    const QString why = QStringLiteral("the file could not be read, so it is not written over (%1)")
                            .arg(domain.problem->reason);
    if (saveFinished_) saveFinished_(path, why);
    return false;
  }
  decodeAll(domain);
  if (writer_) {
    // A snapshot: the maps and the producers' captures are implicitly shared,
    // so this costs a few reference counts however large the values are.
    writer_->submit(path, [directory = directory_, path, values = domain.values, produced = domain.produced,
                           last = domain.lastWrite] {
      return writeDomainFile(directory, path, values, produced, *last);
    });
    domain.dirty = false;
    return true;
  }
  const std::optional<QString> error =
      writeDomainFile(directory_, path, domain.values, domain.produced, *domain.lastWrite);
  if (!error) domain.dirty = false;
  if (saveFinished_) saveFinished_(path, error);
  return !error;
}
