// Durable, all-or-nothing replacement of a file's contents.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

// Who may read a written file: only its owner (preferences), or whoever the
// user's umask allows (files the user exports for other programs).
enum class FileAccess { OwnerOnly, UserDefault };

// Replaces the file at `path` with `bytes`: writes a temporary file beside it
// (mode 0600 for OwnerOnly), checks that every byte was written, syncs it, renames it over
// `path` and syncs the directory, so that after a crash the file holds either
// the old or the new contents. On failure the old file is left untouched and
// `error` (if given) says why.
[[nodiscard]] bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr,
                                       FileAccess access = FileAccess::OwnerOnly);

// Makes a file's contents piece by piece: hands each piece, in order, to the
// writer it is given, which answers false once writing failed; answers whether
// every piece was made and written.
using FileContents = std::function<bool(const std::function<bool(QByteArrayView)>& write)>;

// As above, with the contents made while they are written, so they are never
// held whole; written pieces are sent on to the disk while the next are made.
[[nodiscard]] bool writeFileAtomically(const QString& path, const FileContents& contents,
                                       QString* error = nullptr, FileAccess access = FileAccess::OwnerOnly);
