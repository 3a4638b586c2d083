// Binary property lists ("bplist00"), the format the defaults store writes.
//
// The reader is meant for untrusted files: every offset, count and reference
// is checked against the file, cycles and deep nesting are rejected, and
// shared containers may not expand the result far beyond the file's size.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

#include "prefs/plist_records.h"

namespace plist {

// Encodes a normalized property-list value (see plist_value.h), or a held
// record table (plist_records.h) anywhere a list may stand. Dictionary
// keys are written once however often they occur, and so are repeats of
// recent small integers and of shared strings. Returns nullopt, with
// a reason in `error`, for a value of a kind a property list cannot hold.
[[nodiscard]] std::optional<QByteArray> encodeBinary(const QVariant& value, QString* error = nullptr);

// Where a binary list keeps the record table it holds among its top
// dictionary's values. Such a table is encoded first, alone, right after the
// signature: its objects are the list's first `objects` and its bytes the
// `length` bytes after the signature, and they depend only on the table and
// on `refSize`. A later list holding the same table can therefore copy them.
struct TableRun {
  std::weak_ptr<const RecordTable> table;  // which table; never matches another one
  quint64 objects = 0;
  quint64 length = 0;
  int refSize = 0;          // bytes per object reference
  int offsetSize = 0;       // bytes per entry of the list's offset table
  quint64 offsetTable = 0;  // where the list's offset table starts
};

// A binary list as encodeBinaryParts() gives it.
struct BinaryParts {
  // Without `reused`, `objects` is the whole list and `tail` is empty.
  // With it, the list is: the earlier list's first 8 + reused->length bytes,
  // `objects`, the earlier list's first reused->objects offset entries
  // rewritten at `offsetSize` bytes each, then `tail` (the remaining offset
  // entries and the trailer).
  std::optional<TableRun> reused;
  QByteArray objects;
  QByteArray tail;
  int offsetSize = 0;
  // The table run this list holds, for the next encoding.
  std::optional<TableRun> run;
};

// As encodeBinary(), but when `earlier` describes a list holding the same
// table as `value` with the same reference size, that table is not visited:
// its bytes are left to be copied from the earlier list. Together, the parts
// are the very bytes encodeBinary() gives.
[[nodiscard]] std::optional<BinaryParts> encodeBinaryParts(const QVariant& value, const TableRun* earlier,
                                                           QString* error = nullptr);

// Decodes a whole binary property list. Integers come back as qint64 (quint64
// above INT64_MAX), 4-byte reals as float, sets as lists. Returns nullopt,
// with a reason in `error`, for anything malformed.
[[nodiscard]] std::optional<QVariant> decodeBinary(QByteArrayView bytes, QString* error = nullptr);

// The top-level dictionary of a binary property list, for reading some of its
// values without decoding the rest. open() checks the whole list as strictly
// as decodeBinary() does, but builds only the keys; a value is decoded when
// asked for.
class BinaryDictionary {
 public:
  // Returns nullopt, with a reason in `error`, for anything decodeBinary()
  // rejects and for a list whose top object is not a dictionary.
  [[nodiscard]] static std::optional<BinaryDictionary> open(QByteArray bytes, QString* error = nullptr);

  BinaryDictionary(BinaryDictionary&&) noexcept;
  BinaryDictionary& operator=(BinaryDictionary&&) noexcept;
  ~BinaryDictionary();

  // Every key with the reference of its value, to pass to value(). A key that
  // the file repeats names its last value, as in decodeBinary().
  [[nodiscard]] const QHash<QString, quint64>& entries() const;

  // Decodes the value that `ref` names, exactly as decodeBinary() would decode
  // it inside the dictionary. For a reference from entries() this cannot fail,
  // the list having been checked; otherwise it answers nullopt with a reason.
  [[nodiscard]] std::optional<QVariant> value(quint64 ref, QString* error = nullptr);
  // Passes the dictionaries of the array that `ref` names to `visitor`,
  // decoding each value straight from the file (see plist_records.h);
  // answers false, visiting nothing, when the value is not an array.
  bool visitRecords(quint64 ref, RecordVisitor& visitor);

 private:
  struct Impl;
  explicit BinaryDictionary(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Returns whether `bytes` starts with the binary property-list signature.
[[nodiscard]] bool looksBinary(QByteArrayView bytes);

}  // namespace plist
