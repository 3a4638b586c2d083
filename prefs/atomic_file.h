// Durable, all-or-nothing replacement of a file's contents.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

// Who may read a written file: only its owner (preferences), or whoever the
// user's umask allows (files the user exports for other programs).
enum class FileAccess { OwnerOnly, UserDefault };

// What tells one version of a file from another without reading it: a file
// replaced or rewritten since differs in one of these (a rewrite in place of
// the same size within the file system's timestamp granularity aside).
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  qint64 size = 0;
  qint64 modifiedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the open file `fd`, or nullopt when it cannot be looked at.
[[nodiscard]] std::optional<FileIdentity> fileIdentity(int fd);

// Replaces the file at `path` with `bytes`: writes a temporary file beside it
// (mode 0600 for OwnerOnly), checks that every byte was written, syncs it, renames it over
// `path` and syncs the directory, so that after a crash the file holds either
// the old or the new contents. On failure the old file is left untouched and
// `error` (if given) says why. On success `written` (if given) receives the
// new file's identity.
[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                                       FileAccess access = FileAccess::OwnerOnly,
                                       FileIdentity* written = nullptr);

// Makes a file's contents piece by piece: hands each piece, in order, to the
// writer it is given, which answers false once writing failed; answers whether
// every piece was made and written.
using FileContents = std::function<bool(const std::function<bool(QByteArrayView)>& write)>;

// As above, with the contents made while they are written, so they are never
// held whole; written pieces are sent on to the disk while the next are made.
[[nodiscard]] bool writeFileAtomically(const QString& path, const FileContents& contents,
                                       QString* error = nullptr, FileAccess access = FileAccess::OwnerOnly,
                                       FileIdentity* written = nullptr);

// Writes the whole contents of a new file to the descriptor it is given,
// answering false, with the reason in `why`, when it could not.
using FileFiller = std::function<bool(int fd, QString* why)>;

// As above, with the contents written by `fill`.
[[nodiscard]] bool writeFileAtomically(const QString& path, const FileFiller& fill, QString* error = nullptr,
                                       FileAccess access = FileAccess::OwnerOnly,
                                       FileIdentity* written = nullptr);
