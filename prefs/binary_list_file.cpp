#include "prefs/binary_list_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "prefs/plist_binary_format.h"

namespace {

using namespace plist::bplist;

constexpr quint64 kChunk = quint64(1) << 20;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool writeAll(int fd, const char* data, quint64 size, QString* why) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size_t(std::min(size, kChunk * 1024)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *why = QStringLiteral("short write: ") + (n < 0 ? systemError() : QStringLiteral("nothing written"));
      return false;
    }
    data += n;
    size -= quint64(n);
  }
  return true;
}

// Reads exactly `size` bytes at `offset`.
bool readAt(int fd, void* data, quint64 size, quint64 offset) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size_t(size), off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= quint64(n);
    offset += quint64(n);
  }
  return true;
}

// Appends `length` bytes at `offset` of `in` to `out`, copied by the kernel
// where the file systems allow, read and written otherwise.
bool copyRange(int in, quint64 offset, quint64 length, int out, QString* why) {
  loff_t from = loff_t(offset);
  while (length > 0) {
    const ssize_t n = ::copy_file_range(in, &from, out, nullptr, size_t(std::min(length, kChunk * 1024)), 0);
    if (n > 0) {
      length -= quint64(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      *why = QStringLiteral("the earlier file ended early");
      return false;
    }
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
      *why = QStringLiteral("short write: ") + systemError();
      return false;
    }
    break;  // no copying in the kernel here
  }
  std::vector<char> buffer(size_t(std::min(length, kChunk)));
  while (length > 0) {
    const quint64 n = std::min<quint64>(length, buffer.size());
    if (!readAt(in, buffer.data(), n, quint64(from))) {
      *why = QStringLiteral("cannot read the earlier file");
      return false;
    }
    if (!writeAll(out, buffer.data(), n, why)) return false;
    from += loff_t(n);
    length -= n;
  }
  return true;
}

// Appends `count` offset entries of `fromSize` bytes at `offset` of `in` to
// `out`, as entries of `toSize` bytes.
bool copyOffsets(int in, quint64 offset, quint64 count, int fromSize, int toSize, int out, QString* why) {
  if (fromSize == toSize) return copyRange(in, offset, count * quint64(fromSize), out, why);
  const quint64 block = kChunk / 8;
  std::vector<uchar> source(size_t(block) * size_t(fromSize)), target(size_t(block) * size_t(toSize));
  for (quint64 done = 0; done < count;) {
    const quint64 n = std::min(block, count - done);
    if (!readAt(in, source.data(), n * quint64(fromSize), offset + done * quint64(fromSize))) {
      *why = QStringLiteral("cannot read the earlier file");
      return false;
    }
    for (quint64 i = 0; i < n; ++i) {
      const quint64 v = readBigEndian(source.data() + i * quint64(fromSize), fromSize);
      if (toSize < 8 && (v >> (8 * toSize)) != 0) {
        *why = QStringLiteral("an offset of the earlier file does not fit");
        return false;
      }
      writeBigEndian(target.data() + i * quint64(toSize), v, toSize);
    }
    if (!writeAll(out, reinterpret_cast<const char*>(target.data()), n * quint64(toSize), why)) return false;
    done += n;
  }
  return true;
}

// Whether the open file at `fd` is still the one `last` describes: the same
// identity, and the signature and trailer it was written with.
bool isWrittenFile(int fd, const WrittenBinaryList& last) {
  if (fileIdentity(fd) != last.file) return false;
  const quint64 size = quint64(last.file.size);
  if (size < quint64(kSignatureSize + kTrailerSize) + last.run.length) return false;
  uchar signature[kSignatureSize], trailerBytes[kTrailerSize];
  if (!readAt(fd, signature, kSignatureSize, 0) ||
      !readAt(fd, trailerBytes, kTrailerSize, size - quint64(kTrailerSize)))
    return false;
  const Trailer trailer = Trailer::read(trailerBytes);
  return std::memcmp(signature, kSignature, kSignatureSize) == 0 &&
         trailer.offsetSize == last.run.offsetSize && trailer.refSize == last.run.refSize &&
         trailer.objects >= last.run.objects && trailer.offsetTable == last.run.offsetTable;
}

struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::optional<QString> writeBinaryListFile(const QString& path, const QVariant& value,
                                           std::optional<WrittenBinaryList>* last) {
  Descriptor earlier;
  if (last && *last) {
    earlier.fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (earlier.fd >= 0 && !isWrittenFile(earlier.fd, **last)) {
      ::close(earlier.fd);
      earlier.fd = -1;
    }
  }
  QString why;
  auto parts = plist::encodeBinaryParts(value, earlier.fd >= 0 ? &(*last)->run : nullptr, &why);
  if (!parts) return why;
  FileIdentity written;
  if (parts->reused) {
    const plist::TableRun& old = *parts->reused;
    const FileIdentity oldFile = (*last)->file;
    const auto fill = [&](int out, QString* error) {
      return copyRange(earlier.fd, 0, quint64(kSignatureSize) + old.length, out, error) &&
             writeAll(out, parts->objects.constData(), quint64(parts->objects.size()), error) &&
             copyOffsets(earlier.fd, old.offsetTable, old.objects, old.offsetSize, parts->offsetSize, out,
                         error) &&
             writeAll(out, parts->tail.constData(), quint64(parts->tail.size()), error) &&
             // Changed while being copied: the copy cannot be trusted.
             (fileIdentity(earlier.fd) == oldFile ||
              (*error = QStringLiteral("the earlier file changed"), false));
    };
    if (writeFileAtomically(path, fill, &why, FileAccess::OwnerOnly, &written)) {
      *last = WrittenBinaryList{*parts->run, written};
      return std::nullopt;
    }
    // Whatever went wrong, the whole value is encoded and written again.
    parts = plist::encodeBinaryParts(value, nullptr, &why);
    if (!parts) return why;
  }
  if (!writeFileAtomically(path, parts->objects, &why, FileAccess::OwnerOnly, &written)) return why;
  if (last) {
    if (parts->run)
      *last = WrittenBinaryList{*parts->run, written};
    else
      last->reset();
  }
  return std::nullopt;
}
