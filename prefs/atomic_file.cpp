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

// Writes the pieces `contents` makes to `file` as they come. Every megabyte
// written is sent on to the disk at once (a hint the kernel may ignore), so
// that the disk works while the next pieces are made and the sync at the
// commit has less left to wait for.
bool writePieces(QSaveFile& file, const FileContents& contents, QString* why) {
  constexpr qint64 kSendOn = qint64(1) << 20;
  qint64 written = 0, sentOn = 0;
  QString writeError;
  const auto write = [&](QByteArrayView piece) {
    for (qint64 done = 0; done < piece.size();) {
      const qint64 n = file.write(piece.data() + done, piece.size() - done);
      if (n <= 0) {
        writeError = file.errorString();
        return false;
      }
      done += n;
    }
    written += piece.size();
    if (written - sentOn >= kSendOn) {
      (void)::sync_file_range(file.handle(), sentOn, written - sentOn, SYNC_FILE_RANGE_WRITE);
      sentOn = written;
    }
    return true;
  };
  if (contents(write)) return true;
  *why = writeError.isEmpty() ? QStringLiteral("the contents could not be made")
                              : QStringLiteral("short write: ") + writeError;
  return false;
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
  return writeFileAtomically(
      path, FileContents([&bytes](const std::function<bool(QByteArrayView)>& write) { return write(bytes); }),
      error, access, written);
}

bool writeFileAtomically(const QString& path, const FileContents& contents, QString* error, FileAccess access,
                         FileIdentity* written) {
  return replaceFile(
      path, [&contents](QSaveFile& file, QString* why) { return writePieces(file, contents, why); }, error,
      access, written);
}

bool writeFileAtomically(const QString& path, const FileFiller& fill, QString* error, FileAccess access,
                         FileIdentity* written) {
  return replaceFile(
      path, [&fill](QSaveFile& file, QString* why) { return fill(file.handle(), why); }, error, access,
      written);
}
