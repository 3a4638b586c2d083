// Writing a whole file so that the target is either replaced or left alone.
#include <QSaveFile>

#include "app/call_list_io.h"

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  // A short write must not reach commit(): QSaveFile would install a truncated file.
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}
