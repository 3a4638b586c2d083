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
  QSaveFile file(path);
  // Unbuffered, so that a short write (a full disk, a file-size limit) shows in
  // write()'s result instead of being lost in a buffer flushed at commit.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return fail(error, file.errorString());
  if (access == FileAccess::OwnerOnly && ::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0) {
    file.cancelWriting();
    return fail(error, QStringLiteral("cannot set the file mode"));
  }
  for (qint64 done = 0; done < bytes.size();) {
    const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) {
      const QString why = file.errorString();
      file.cancelWriting();
      return fail(error, QStringLiteral("short write: ") + why);
    }
    done += n;
  }
  if (!file.commit()) return fail(error, file.errorString());
  if (!syncDirectory(QFileInfo(path).absolutePath()))
    return fail(error, QStringLiteral("cannot sync the directory"));
  return true;
}
