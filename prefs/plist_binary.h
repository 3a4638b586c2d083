// Binary property lists ("bplist00"), the format the defaults store writes.
//
// The reader is meant for untrusted files: every offset, count and reference
// is checked against the file, cycles and deep nesting are rejected, and
// shared containers may not expand the result far beyond the file's size.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>

namespace plist {

// Encodes a normalized property-list value (see plist_value.h). Dictionary
// keys are written once however often they occur, and so are repeats of
// recent small integers and of shared strings. Returns nullopt, with
// a reason in `error`, for a value of a kind a property list cannot hold.
[[nodiscard]] std::optional<QByteArray> encodeBinary(const QVariant& value, QString* error = nullptr);

// Decodes a whole binary property list. Integers come back as qint64 (quint64
// above INT64_MAX), 4-byte reals as float, sets as lists. Returns nullopt,
// with a reason in `error`, for anything malformed.
[[nodiscard]] std::optional<QVariant> decodeBinary(QByteArrayView bytes, QString* error = nullptr);

// Returns whether `bytes` starts with the binary property-list signature.
[[nodiscard]] bool looksBinary(QByteArrayView bytes);

}  // namespace plist
