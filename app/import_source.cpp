#include "app/import_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unicode/ucnv.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "collections/delimited_file.h"
#include "collections/delimited_file_reader.h"
#include "text/paragraph_scanner.h"

namespace {

// Bytes read first: enough for the encoding, the text test and nearly every header.
constexpr qint64 kHeadBytes = 64 * 1024;

QString notRegular(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("it is a folder, not a regular file");
  if (S_ISFIFO(mode)) return QStringLiteral("it is a named pipe (FIFO), not a regular file");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("it is a device, not a regular file");
  if (S_ISSOCK(mode)) return QStringLiteral("it is a socket, not a regular file");
  return QStringLiteral("it is not a regular file");
}

QString errorText(int error) {
  if (error == EACCES || error == EPERM) return QStringLiteral("permission denied");
  if (error == ENOENT) return QStringLiteral("there is no such file");
  return QString::fromLocal8Bit(std::strerror(error));
}

// Text holds no NUL. A file that is not UTF-8 must also hold few other
// control characters (tab, line ends, form feed and escape are text): read as
// Windows-1252, any bytes at all would pass for text.
bool looksLikeText(QStringView text, bool strict) {
  text = text.first(std::min<qsizetype>(text.size(), kHeadBytes));
  qsizetype controls = 0;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == 0) return false;
    if (u < 0x20 && (u < 0x09 || u > 0x0D) && u != 0x1B) ++controls;
  }
  return !strict || controls * 100 <= text.size();
}

// The delimiter and header of a text that may be only the start of the file.
// `complete` is false while more text could still change them: the first
// line or the header runs to the end of `text` and the file goes on.
struct HeaderSearch {
  QString delimiter = QStringLiteral(",");
  std::optional<QString> header;
  bool complete = false;
};

HeaderSearch findHeader(QStringView text, bool atEnd) {
  HeaderSearch found;
  ParagraphScanner lines(text);
  QStringView line;
  bool first = true;
  while (lines.next(line)) {
    const bool whole = atEnd || line.data() + line.size() < text.data() + text.size();
    if (first) {
      if (!whole && !line.contains(u'\t')) return found;
      if (line.contains(u'\t')) found.delimiter = QStringLiteral("\t");
      first = false;
    }
    if (line.isEmpty() || line.front() == u'#') continue;
    if (!whole) return found;
    found.header = line.toString();
    found.complete = true;
    return found;
  }
  found.complete = atEnd;
  return found;
}

QString decodeWindows1252(const QByteArray& bytes) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open("windows-1252", &status);
  if (U_FAILURE(status)) return QString::fromLatin1(bytes);
  QString text(bytes.size(), Qt::Uninitialized);  // one unit per byte
  const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(text.data()), int32_t(text.size()),
                                       bytes.constData(), int32_t(bytes.size()), &status);
  ucnv_close(converter);
  if (U_FAILURE(status)) return QString::fromLatin1(bytes);
  text.truncate(length);
  return text;
}

}  // namespace

QString importEncodingName(ImportEncoding encoding) {
  switch (encoding) {
    case ImportEncoding::Utf8:
      return QStringLiteral("UTF-8");
    case ImportEncoding::Utf16LE:
      return QStringLiteral("UTF-16LE");
    case ImportEncoding::Utf16BE:
      return QStringLiteral("UTF-16BE");
    case ImportEncoding::Windows1252:
      return QStringLiteral("Windows-1252");
  }
  return {};
}

std::optional<ImportSource> ImportSource::open(const QString& path, QString* problem) {
  const QByteArray name = QFile::encodeName(path);
  struct stat info {};
  if (::stat(name.constData(), &info) != 0) {
    *problem = errorText(errno);
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {
    *problem = notRegular(info.st_mode);
    return std::nullopt;
  }
  // Non-blocking, in case the path became a pipe since the check above.
  const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *problem = errorText(errno);
    return std::nullopt;
  }
  ImportSource source(path, fd);
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    *problem = notRegular(info.st_mode);
    return std::nullopt;
  }
  source.size_ = info.st_size;
  if (std::optional<QString> failure = source.inspect()) {
    *problem = *failure;
    return std::nullopt;
  }
  return source;
}

ImportSource::ImportSource(ImportSource&& other) noexcept
    : path_(std::move(other.path_)),
      fd_(std::exchange(other.fd_, -1)),
      size_(other.size_),
      encoding_(other.encoding_),
      delimiter_(std::move(other.delimiter_)),
      header_(std::move(other.header_)),
      text_(std::move(other.text_)) {}

ImportSource::~ImportSource() {
  if (fd_ >= 0) ::close(fd_);
}

// Reads up to `limit` bytes from `offset` (all of the rest for a negative
// limit); nothing when reading fails.
std::optional<QByteArray> ImportSource::readFrom(qint64 offset, qint64 limit) const {
  QByteArray bytes;
  for (;;) {
    qint64 want = limit < 0 ? std::max<qint64>(kHeadBytes, bytes.size()) : limit - bytes.size();
    if (want <= 0) return bytes;
    // No more than the file holds, and one byte to see its end (or its growth).
    want = std::min(want, std::max<qint64>(size_ - offset - bytes.size(), 0) + 1);
    const qsizetype kept = bytes.size();
    bytes.resize(kept + want);
    const ssize_t got = ::pread(fd_, bytes.data() + kept, size_t(want), off_t(offset + kept));
    if (got < 0 && errno == EINTR) {
      bytes.resize(kept);
      continue;
    }
    if (got < 0) return std::nullopt;
    bytes.resize(kept + got);
    if (got == 0) return bytes;
  }
}

// Reads the whole file in the encoding found so far; sets text_, or answers the problem.
std::optional<QString> ImportSource::decodeWhole() {
  const std::optional<QByteArray> bytes = readFrom(0, -1);
  if (!bytes) return QStringLiteral("it could not be read: ") + errorText(errno);
  switch (encoding_) {
    case ImportEncoding::Utf16LE:
    case ImportEncoding::Utf16BE: {
      if (bytes->size() % 2 != 0) return QStringLiteral("it is not valid UTF-16 text");
      QStringDecoder decoder(encoding_ == ImportEncoding::Utf16LE ? QStringDecoder::Utf16LE
                                                                  : QStringDecoder::Utf16BE);
      text_ = QString(decoder(QByteArrayView(*bytes).sliced(2)));  // after the byte-order mark
      if (decoder.hasError()) return QStringLiteral("it is not valid UTF-16 text");
      break;
    }
    case ImportEncoding::Utf8:
    case ImportEncoding::Windows1252:
      encoding_ = ImportEncoding::Windows1252;
      text_ = decodeWindows1252(*bytes);
      break;
  }
  if (!looksLikeText(*text_, encoding_ == ImportEncoding::Windows1252))
    return QStringLiteral("it is not a text file");
  const HeaderSearch found = findHeader(*text_, true);
  delimiter_ = found.delimiter;
  header_ = found.header;
  return std::nullopt;
}

std::optional<QString> ImportSource::inspect() {
  std::optional<QByteArray> head = readFrom(0, kHeadBytes);
  if (!head) return QStringLiteral("it could not be read: ") + errorText(errno);
  if (head->startsWith("\xff\xfe") || head->startsWith("\xfe\xff")) {
    encoding_ = head->startsWith("\xff\xfe") ? ImportEncoding::Utf16LE : ImportEncoding::Utf16BE;
    return decodeWhole();
  }
  // UTF-8, unless the start already says otherwise. The header may lie
  // beyond the first block (thousands of columns): read on until it is whole.
  QStringDecoder decoder(QStringDecoder::Utf8);  // drops a byte-order mark
  QString text = decoder(*head);
  qint64 offset = head->size();
  bool atEnd = head->size() < kHeadBytes;
  for (;;) {
    if (decoder.hasError()) return decodeWhole();  // as Windows-1252
    if (!looksLikeText(text, false)) return QStringLiteral("it is not a text file");
    const HeaderSearch found = findHeader(text, atEnd);
    if (found.complete) {
      delimiter_ = found.delimiter;
      header_ = found.header;
      return std::nullopt;
    }
    const std::optional<QByteArray> more = readFrom(offset, std::max(kHeadBytes, offset));
    if (!more) return QStringLiteral("it could not be read: ") + errorText(errno);
    atEnd = more->size() < std::max(kHeadBytes, offset);
    offset += more->size();
    text += QString(decoder(*more));
  }
}

bool ImportSource::readFields(Handler& handler, QString* problem) {
  // Blocks no larger than the file: a short list needs no megabyte buffer.
  const DelimitedReadOptions options{.delimiter = delimiter_,
                                     .typed = false,
                                     .blockBytes = std::clamp<qint64>(size_ + 1, 4096, qint64{1} << 20)};
  if (text_) {
    readDelimitedTextFields(*text_, options, handler);
    return true;
  }
  // The reader opens the file again through the descriptor checked here.
  const QString opened = QStringLiteral("/proc/self/fd/%1").arg(fd_);
  if (readDelimitedFileFields(QFileInfo::exists(opened) ? opened : path_, options, handler)) return true;
  // Not read to its end: a file that is not UTF-8 after all, or a read error.
  handler.restart();
  const std::optional<QByteArray> bytes = readFrom(0, -1);
  if (!bytes) {
    *problem = QStringLiteral("it could not be read: ") + errorText(errno);
    return false;
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  [[maybe_unused]] const QString whole = decoder(*bytes);
  if (!decoder.hasError()) {
    *problem = QStringLiteral("it could not be read to its end");
    return false;
  }
  if (std::optional<QString> failure = decodeWhole()) {
    *problem = *failure;
    return false;
  }
  readDelimitedTextFields(*text_, {.delimiter = delimiter_, .typed = false}, handler);
  return true;
}
