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

}  // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error, FileAccess access) {
  return writeFileAtomically(
      path, [&bytes](const std::function<bool(QByteArrayView)>& write) { return write(bytes); }, error,
      access);
}

bool writeFileAtomically(const QString& path, const FileContents& contents, QString* error,
                         FileAccess access) {
  QSaveFile file(path);
  // Unbuffered, so that a short write (a full disk, a file-size limit) shows in
  // write()'s result instead of being lost in a buffer flushed at commit.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(error, file.errorString());
  if (access == FileAccess::OwnerOnly && ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
    file.cancelWriting();
    return fail(error, QStringLiteral("cannot set the file mode"));
  }
  // Every megabyte written is sent on to the disk at once (a hint the kernel
  // may ignore), so that the disk works while the next pieces are made and the
  // sync at the commit has less left to wait for.
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
  if (!contents(write)) {
    file.cancelWriting();
    return fail(error, writeError.isEmpty() ? QStringLiteral("the contents could not be made")
                                            : QStringLiteral("short write: ") + writeError);
  }
  if (!file.commit()) return fail(error, file.errorString());
  if (!syncDirectory(QFileInfo(path).absolutePath()))
    return fail(error, QStringLiteral("cannot sync the directory"));
  return true;
}
