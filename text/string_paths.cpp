#include "text/string_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCborMap>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>
#include <QStringList>
#include <deque>
#include <mutex>

namespace {

const QString kRootVolumeFallbackName = QStringLiteral("Root");

struct Volume {
  QString mountPoint;  // absolute, no trailing "/" except for the root
  QString name;
};

// The mounted volumes that are folders, the root first. A volume without a
// label is named by the last name of its mount point ("Root" for the root).
QList<Volume> readMountedVolumes() {
  QList<Volume> volumes{{QStringLiteral("/"), kRootVolumeFallbackName}};
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    const QString mountPoint = storage.rootPath();
    if (!QFileInfo(mountPoint).isDir()) continue;
    QString name = storage.name();
    if (mountPoint == QLatin1String("/")) {
      if (!name.isEmpty()) volumes.first().name = name;
      continue;
    }
    if (name.isEmpty()) name = QFileInfo(mountPoint).fileName();
    volumes.append({mountPoint, name});
  }
  return volumes;
}

// The mounted volumes, read again only when the mount table has changed since
// the last call: the kernel flags /proc/self/mountinfo (POLLPRI) on every
// mount and unmount until it is read again from the start.
QList<Volume> mountedVolumes() {
  static std::mutex mutex;
  static const int table = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
  static std::optional<QList<Volume>> volumes;
  const std::lock_guard lock(mutex);
  bool changed = !volumes || table < 0;
  if (table >= 0) {
    pollfd watch{table, POLLPRI, 0};
    if (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR))) changed = true;
  }
  if (changed) {
    if (table >= 0) {
      char buffer[4096];
      ::lseek(table, 0, SEEK_SET);
      while (::read(table, buffer, sizeof buffer) > 0) {
      }
    }
    volumes = readMountedVolumes();
  }
  return *volumes;
}

// True when `path` (absolute, clean) is `folder` or lies inside it.
bool isWithin(const QString& path, const QString& folder) {
  if (folder == QLatin1String("/")) return true;
  return path.startsWith(folder) && (path.size() == folder.size() || path[folder.size()] == QLatin1Char('/'));
}

// A name moves between the styles by trading ":" and "/", the one character
// each style forbids in names and the other allows.
QString swapSeparators(QString name) {
  for (QChar& c : name) {
    if (c == QLatin1Char(':'))
      c = QLatin1Char('/');
    else if (c == QLatin1Char('/'))
      c = QLatin1Char(':');
  }
  return name;
}

bool isPosixStyle(const QString& path) {
  return path.startsWith(QLatin1Char('/')) || !path.contains(QLatin1Char(':'));
}

std::optional<struct stat> statOf(const QString& path, bool followLink = true) {
  struct stat info {};
  const QByteArray encoded = QFile::encodeName(path);
  if ((followLink ? ::stat(encoded.constData(), &info) : ::lstat(encoded.constData(), &info)) != 0)
    return std::nullopt;
  return info;
}

bool entryExists(const QString& path) { return statOf(path, false).has_value(); }

// Where each referenced item was last seen, so that a reference can name its
// item again. Items are keyed by device and inode; the table lives for the
// process, as references do.
struct LastSeenPaths {
  std::mutex mutex;
  QHash<QPair<quint64, quint64>, QString> paths;
};
LastSeenPaths& lastSeenPaths() {
  static LastSeenPaths table;
  return table;
}

// What tells one item from every other: its device, inode number and birth
// time (0 where the file system keeps none).
struct Identity {
  quint64 device = 0;
  quint64 inode = 0;
  qint64 birthTime = 0;
};

// The identity of the item at `path` (relative to the open folder `folder`,
// or AT_FDCWD), symbolic links not followed.
std::optional<Identity> identityAt(int folder, const char* path) {
  struct statx info {};
  if (::statx(folder, path, AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &info) != 0) return std::nullopt;
  Identity identity{quint64(makedev(info.stx_dev_major, info.stx_dev_minor)), quint64(info.stx_ino), 0};
  if (info.stx_mask & STATX_BTIME)
    identity.birthTime = qint64(info.stx_btime.tv_sec) * 1'000'000'000 + info.stx_btime.tv_nsec;
  return identity;
}

std::optional<Identity> identityOf(const QString& path) {
  return identityAt(AT_FDCWD, QFile::encodeName(path).constData());
}

// True when `identity` is the item of `ref`; a birth time known on both
// sides has to agree as well.
bool isItem(const std::optional<Identity>& identity, const FSRef& ref) {
  return identity && identity->device == ref.device && identity->inode == ref.inode &&
         (ref.birthTime == 0 || identity->birthTime == 0 || identity->birthTime == ref.birthTime);
}

// How far the search for a moved item goes.
constexpr qint64 kSearchEntries = 50'000;
constexpr qint64 kSearchMilliseconds = 100;

// Looks for the item of `ref` in `top` and every folder below it on the
// item's device, breadth first, leaving out the folder `skip` (searched
// already) and symbolic links. Reads at most `*budget` entries, counting
// them off, and stops at `deadline`. Answers the item's path, or empty.
QString searchBelow(const QString& top, const QString& skip, const FSRef& ref, qint64* budget,
                    const QDeadlineTimer& deadline) {
  const QByteArray skipped = QFile::encodeName(skip);
  std::deque<QByteArray> folders{QFile::encodeName(top)};
  while (!folders.empty() && *budget > 0 && !deadline.hasExpired()) {
    const QByteArray folder = std::move(folders.front());
    folders.pop_front();
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      continue;
    }
    const QByteArray prefix = folder.endsWith('/') ? folder : folder + '/';
    QByteArray found;
    while (const dirent* entry = ::readdir(dir)) {
      if (--*budget <= 0) break;
      const QByteArray name(entry->d_name);
      if (name == "." || name == "..") continue;
      if (entry->d_ino == ref.inode && isItem(identityAt(fd, entry->d_name), ref)) {
        found = prefix + name;
        break;
      }
      if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
      struct stat info {};
      if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode) &&
          quint64(info.st_dev) == ref.device && prefix + name != skipped)
        folders.push_back(prefix + name);
    }
    ::closedir(dir);
    if (!found.isEmpty()) return QFile::decodeName(found);
  }
  return {};
}

// Looks for the item of `ref`, last seen at `lastPath`, in the nearest folder
// of that path that still exists on the item's device and below it, then
// below each enclosing folder in turn up to the top of the volume, within the
// bounds above. Answers the item's path, or empty.
QString searchAround(const FSRef& ref, const QString& lastPath) {
  auto onDevice = [&](const QString& folder) {
    const std::optional<struct stat> info = statOf(folder, false);
    return info && S_ISDIR(info->st_mode) && quint64(info->st_dev) == ref.device;
  };
  QString folder = QFileInfo(lastPath).path();
  while (!onDevice(folder)) {
    if (folder == QLatin1String("/")) return {};
    folder = QFileInfo(folder).path();
  }
  qint64 budget = kSearchEntries;
  const QDeadlineTimer deadline(kSearchMilliseconds);
  QString searched;
  for (;;) {
    const QString found = searchBelow(folder, searched, ref, &budget, deadline);
    if (!found.isEmpty() || budget <= 0 || deadline.hasExpired() || folder == QLatin1String("/"))
      return found;
    const QString enclosing = QFileInfo(folder).path();
    if (!onDevice(enclosing)) return {};  // the top of the volume
    searched = folder;
    folder = enclosing;
  }
}

// Finds the entry of folder `folder` that is the item of `ref`, or an empty string.
QString findInFolder(const QString& folder, const FSRef& ref) {
  DIR* dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir) return {};
  QString found;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_ino != ref.inode) continue;
    const QByteArray name(entry->d_name);
    if (name == "." || name == "..") continue;
    found = QDir(folder).filePath(QFile::decodeName(name));
    break;
  }
  ::closedir(dir);
  return isItem(identityOf(found), ref) ? found : QString();
}

QByteArray aliasRecord(const FSRef& ref, const QString& path) {
  const std::optional<struct stat> info = statOf(path);
  if (!info || !isItem(identityOf(path), ref)) return {};
  const char* kind = S_ISREG(info->st_mode) ? "file" : S_ISDIR(info->st_mode) ? "folder" : "other";
  QCborMap record;
  record[QStringLiteral("path")] = path;
  record[QStringLiteral("device")] = qint64(ref.device);
  record[QStringLiteral("inode")] = qint64(ref.inode);
  record[QStringLiteral("parentDevice")] = qint64(ref.parentDevice);
  record[QStringLiteral("parentInode")] = qint64(ref.parentInode);
  record[QStringLiteral("birthTime")] = ref.birthTime;
  record[QStringLiteral("kind")] = QString::fromLatin1(kind);
  record[QStringLiteral("size")] = qint64(info->st_size);
  return record.toCborValue().toCbor();
}

// The path without its last extension and that extension: the text after the
// last "." of the last name (trailing "/" ignored); no "." gives no extension.
std::pair<QString, QString> splitExtension(QString path) {
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  if (dot < nameStart) return {path, QString()};
  return {path.first(dot), path.sliced(dot + 1)};
}

}  // namespace

namespace Tirr_NSStringAdditions {

QString pathHFS(const QString& receiver) {
  if (receiver.isEmpty() || !isPosixStyle(receiver)) return receiver;
  const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(receiver));

  Volume volume;
  for (const Volume& candidate : mountedVolumes()) {
    if (isWithin(path, candidate.mountPoint) && candidate.mountPoint.size() >= volume.mountPoint.size())
      volume = candidate;
  }
  QStringList names{swapSeparators(volume.name)};
  const QStringView below = QStringView(path).sliced(volume.mountPoint.size());
  for (QStringView name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts))
    names.append(swapSeparators(name.toString()));

  QString hfs = names.join(QLatin1Char(':'));
  // A volume by itself is a folder and always ends in ":".
  if (names.size() == 1 || (receiver.endsWith(QLatin1Char('/')) && !hfs.endsWith(QLatin1Char(':'))))
    hfs += QLatin1Char(':');
  return hfs;
}

std::optional<QString> pathPOSIX(const QString& receiver) {
  if (receiver.isEmpty() || isPosixStyle(receiver)) return receiver;
  const bool relative = receiver.startsWith(QLatin1Char(':'));
  QStringList names = receiver.sliced(relative ? 1 : 0).split(QLatin1Char(':'));
  if (names.last().isEmpty()) names.removeLast();  // a folder
  if (names.isEmpty() || names.contains(QString())) return std::nullopt;
  for (QString& name : names) name = swapSeparators(name);
  if (relative) return names.join(QLatin1Char('/'));

  const QString volumeName = names.takeFirst();
  QString base = QLatin1String("/") + volumeName;  // an unknown volume: a folder of the root
  for (const Volume& volume : mountedVolumes()) {
    if (swapSeparators(volume.name) == volumeName) {
      base = volume.mountPoint;
      break;
    }
  }
  if (names.isEmpty()) return base;
  if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  return base + names.join(QLatin1Char('/'));
}

FSRef fsRef(const QString& receiver) {
  const std::optional<QString> posix = pathPOSIX(receiver);
  if (!posix || posix->isEmpty()) return {};
  const QString path = QFileInfo(*posix).canonicalFilePath();  // symbolic links followed
  if (path.isEmpty()) return {};
  const std::optional<Identity> item = identityOf(path);
  const std::optional<Identity> parent = identityOf(QFileInfo(path).path());
  if (!item || !parent) return {};

  const FSRef ref{item->device, item->inode, parent->device, parent->inode, item->birthTime};
  LastSeenPaths& table = lastSeenPaths();
  const std::lock_guard lock(table.mutex);
  table.paths.insert({ref.device, ref.inode}, path);
  return ref;
}

std::optional<QString> stringWithFSRef(const FSRef& ref) {
  if (ref == FSRef{}) return std::nullopt;
  LastSeenPaths& table = lastSeenPaths();
  QString path;
  {
    const std::lock_guard lock(table.mutex);
    auto seen = table.paths.constFind({ref.device, ref.inode});
    if (seen == table.paths.constEnd()) return std::nullopt;
    path = *seen;
  }
  if (!isItem(identityOf(path), ref)) {
    if (ref.birthTime != 0) {
      path = searchAround(ref, path);
    } else {
      // Without a birth time an inode number found elsewhere may belong to
      // a newer item: only a rename within the folder is followed.
      const QString folder = QFileInfo(path).path();
      const std::optional<Identity> current = identityOf(folder);
      if (!current || current->device != ref.parentDevice || current->inode != ref.parentInode)
        return std::nullopt;
      path = findInFolder(folder, ref);
    }
    if (path.isEmpty()) return std::nullopt;
    const std::lock_guard lock(table.mutex);
    table.paths.insert({ref.device, ref.inode}, path);
  }
  // The longest path a reference answers: 1023 bytes and a terminating zero.
  if (path.toUtf8().size() > 1023) return std::nullopt;
  return path;
}

std::optional<QByteArray> aliasData(const QString& receiver) {
  const FSRef ref = fsRef(receiver);
  const std::optional<QString> path = stringWithFSRef(ref);
  if (!path) return std::nullopt;
  QByteArray record = aliasRecord(ref, *path);
  if (record.isEmpty()) return std::nullopt;
  return record;
}

std::optional<AppleEventDescriptor> alias(const QString& receiver) {
  std::optional<QByteArray> record = aliasData(receiver);
  if (!record) return std::nullopt;
  return AppleEventDescriptor{kAliasDescriptorType, std::move(*record)};
}

std::optional<QString> uniquePath(const QString& receiver) {
  const std::optional<QString> path = pathPOSIX(receiver);
  if (!path) return std::nullopt;
  if (!entryExists(*path)) return path;
  const auto [stem, extension] = splitExtension(*path);
  for (quint64 n = 1;; ++n) {
    QString candidate = stem + QLatin1Char(' ') + QString::number(n);
    if (!extension.isEmpty()) candidate += QLatin1Char('.') + extension;
    if (!entryExists(candidate)) return candidate;
  }
}

}  // namespace Tirr_NSStringAdditions
