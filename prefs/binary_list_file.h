// Writing a binary property list to its file, copying the bytes of a large
// record table from the file written before when they cannot have changed.
//
// A domain that holds a call list of a million records is written again for
// every small change beside it (a move of the window). The list's encoding
// lies at the start of the file and depends only on the list, so while the
// very same list is stored and the file is the one written last, its bytes
// and their offset entries are copied from that file (in the kernel where it
// can) and only the rest is encoded.
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

#include "prefs/atomic_file.h"
#include "prefs/plist_binary.h"

// What a write left in a file: the table it holds first and the file's identity.
struct WrittenBinaryList {
  plist::TableRun run;
  FileIdentity file;
};

// Encodes `value` as a binary property list and writes it durably to `path`
// (see writeFileAtomically), owner-only. When `last` describes the file that
// is still at `path` and `value` holds the same record table, the table is
// copied from there instead of encoded; anything unexpected on that way falls
// back to encoding the whole value, so the file is always what encodeBinary()
// gives. Afterwards `last` (if given) describes the new file; it is left as it
// was when writing failed. Answers the reason on failure.
[[nodiscard]] std::optional<QString> writeBinaryListFile(const QString& path, const QVariant& value,
                                                         std::optional<WrittenBinaryList>* last);
