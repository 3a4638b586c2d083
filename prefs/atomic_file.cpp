#include "prefs/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>

namespace {

bool fail(QString* error, const QString& why) {
  if (error) *error = why;
  return false;
}

// Makes a rename inside `directory` survive a power cut.
bool syncDirectory(const QString& directory) {
  const int fd = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// The temporary file, its contents written by `fill`, synced and renamed.
bool replaceFile(const QString& path, const std::function<bool(QSaveFile&, QString*)>& fill, QString* error,
                 FileAccess access, FileIdentity* written) {
  QSaveFile file(path);
  // Unbuffered, so that a short write (a full disk, a file-size limit) shows in
  // write()'s result instead of being lost in a buffer flushed at commit.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(error, file.errorString());
  if (access == FileAccess::OwnerOnly && ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
    file.cancelWriting();
    return fail(error, QStringLiteral("cannot set the file mode"));
  }
  QString why;
  if (!fill(file, &why)) {
    file.cancelWriting();
    return fail(error, why);
  }
  // Taken before the rename, which keeps the inode and its modification time.
  const std::optional<FileIdentity> identity = fileIdentity(file.handle());
  if (!file.commit()) return fail(error, file.errorString());
  if (!syncDirectory(QFileInfo(path).absolutePath()))
    return fail(error, QStringLiteral("cannot sync the directory"));
  if (written) *written = identity.value_or(FileIdentity{});
  return true;
}

}  // namespace

std::optional<FileIdentity> fileIdentity(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino, qint64(info.st_size),
                      qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error, FileAccess access,
                         FileIdentity* written) {
  const auto fill = [&bytes](QSaveFile& file, QString* why) {
    for (qint64 done = 0; done < bytes.size();) {
      const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
      if (n <= 0) {
        *why = QStringLiteral("short write: ") + file.errorString();
        return false;
      }
      done += n;
    }
    return true;
  };
  return replaceFile(path, fill, error, access, written);
}

bool writeFileAtomically(const QString& path, const FileFiller& fill, QString* error, FileAccess access,
                         FileIdentity* written) {
  return replaceFile(
      path, [&fill](QSaveFile& file, QString* why) { return fill(file.handle(), why); }, error, access,
      written);
}
