// Strings as file paths: the POSIX ("/") and HFS (":") path styles, file
// references and alias records, and free file names.
//
// The HFS style names a volume first and separates names with ":". Here a
// volume is a mount point: the root file system is named by its label, or
// "Root" when it has none; any other mounted volume by its label, or else the
// last name of its mount point. A ":" inside a POSIX name is written "/" in
// HFS style and back: "/home/ann/12:30 notes" <-> "Root:home:ann:12/30 notes".
// A path that starts with "/" is always POSIX; any other text containing ":"
// is taken to be HFS.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

// Identifies one file-system item for the life of the process: the item's
// device and inode number, those of its folder, and its birth time where the
// file system records one. The birth time tells the item from a later one
// that was given the inode number of a deleted item. All zero for nothing.
struct FSRef {
  quint64 device = 0;
  quint64 inode = 0;
  quint64 parentDevice = 0;
  quint64 parentInode = 0;
  qint64 birthTime = 0;  // nanoseconds since 1970, 0 where the file system keeps none
  friend bool operator==(const FSRef&, const FSRef&) = default;
};

// A typed block of bytes, as exchanged between applications; `descriptorType`
// is a four-character code packed big-endian ('alis' = 0x616C6973).
struct AppleEventDescriptor {
  quint32 descriptorType = 0;
  QByteArray data;
  friend bool operator==(const AppleEventDescriptor&, const AppleEventDescriptor&) = default;
};

// The descriptor type of an alias record: the code "alis".
inline constexpr quint32 kAliasDescriptorType = 0x616C6973;

namespace Tirr_NSStringAdditions {

// Returns the receiver, a POSIX path, in HFS style: the volume name, then the
// names below the volume's mount point, joined by ":". A relative path is taken
// from the current folder; a trailing "/" becomes a trailing ":". Returns the
// receiver itself when it is empty or already an HFS path.
// Example: pathHFS("/home/ann/") -> "Root:home:ann:".
[[nodiscard]] QString pathHFS(const QString& receiver);

// Returns the receiver, an HFS path, in POSIX style. A path that starts with
// ":" is relative; a trailing ":" (a folder) leaves no trailing "/". A volume
// name that no mounted volume has is taken for a folder of the root. Returns
// the receiver itself when it is empty or a POSIX path.
// Example: pathPOSIX("Root:home:ann:12/30 notes") -> "/home/ann/12:30 notes".
[[nodiscard]] std::optional<QString> pathPOSIX(const QString& receiver);

// Returns an alias record of the item at the receiver (either path style)
// wrapped as a descriptor of type "alis", or nullopt when nothing is there.
// The record is a CBOR map holding the item's absolute path, its FSRef fields,
// its kind ("file", "folder", "other") and its size.
[[nodiscard]] std::optional<AppleEventDescriptor> alias(const QString& receiver);

// Returns the reference of the item at the receiver (either path style),
// symbolic links followed; all zero when the path does not resolve.
[[nodiscard]] FSRef fsRef(const QString& receiver);

// Returns the bytes of an alias record of the item at the receiver, the same
// record `alias` wraps, or nullopt when nothing is there.
[[nodiscard]] std::optional<QByteArray> aliasData(const QString& receiver);

// Returns the current POSIX path of the item `ref` identifies, or nullopt when
// the item is gone or its path needs more than 1023 UTF-8 bytes.
// Linux finds an item by its inode only with a privilege (open_by_handle_at
// needs CAP_DAC_READ_SEARCH), so the item is looked for where it was last
// seen, then, when its birth time is known, around there: in its old folder
// and every folder below it, then below each enclosing folder in turn up to
// the top of its volume, nearest folders first, symbolic links and other
// volumes left out. That search reads at most 50,000 folder entries and takes
// at most 100 ms, so an item moved far away, and one that is gone, are
// answered nullopt within that bound. Without a birth time only the old folder
// is searched, and a deleted item's inode number given to a new file there
// cannot be told apart.
[[nodiscard]] std::optional<QString> stringWithFSRef(const FSRef& ref);

// Returns the receiver as a POSIX path when no directory entry exists there,
// otherwise the first free "<path without extension> <n>.<extension>" for
// n = 1, 2, ...; nullopt for a malformed HFS path. Only the last extension
// moves, and a dangling symbolic link counts as taken. The answer can be taken
// by someone else before it is used.
// Example: "/tmp/report.txt" -> "/tmp/report 1.txt"; "archive.tar.gz" -> "archive.tar 1.gz".
[[nodiscard]] std::optional<QString> uniquePath(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
