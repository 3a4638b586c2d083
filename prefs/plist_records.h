// Arrays of dictionaries ("records") that their owner keeps in a form of its
// own, written and read without a QVariant per record.
//
// A list of a hundred thousand small dictionaries costs several heap blocks
// per record as QVariants. A program that holds such a list compactly hands
// the binary writer a RecordTable, which lists each record's entries on
// demand, and reads a stored list back with a RecordVisitor, which receives
// each entry's value as it is decoded. The file is the same either way.
#pragma once

#include <QMetaType>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace plist {

// One value of a record's entry. Texts are views, valid during the call that
// passes them; anything that is not a scalar (data, arrays, dictionaries,
// integers above INT64_MAX) comes as a QVariant.
struct Scalar {
  enum class Kind : quint8 {
    Integer,        // `integer`
    Real,           // `real`
    Float,          // `single`
    Bool,           // `boolean`
    Date,           // `msecs` since the Unix epoch, UTC
    Text,           // `size` UTF-16 units at `chars`
    Latin1Text,     // `size` bytes at `chars`, each one character
    BigEndianText,  // `size` UTF-16 units at `chars`, big-endian
    Other,          // `*other`
  };
  Kind kind = Kind::Integer;
  union {
    qint64 integer = 0;
    double real;
    float single;
    bool boolean;
    qint64 msecs;
  };
  const void* chars = nullptr;
  qsizetype size = 0;
  const QVariant* other = nullptr;

  // The value as the property-list QVariant the generic decoders give.
  [[nodiscard]] QVariant toVariant() const;
  // A text value as a QString; empty for other kinds.
  [[nodiscard]] QString text() const;
};

// Receives the records of a list, each one's entries between beginRecord()
// and endRecord(). Elements of the list that are not dictionaries are passed
// over.
class RecordVisitor {
 public:
  virtual ~RecordVisitor() = default;
  // Before the first record: how many the list holds, and a bound of the
  // characters of text in all of them together.
  virtual void reserve(qsizetype /*records*/, qsizetype /*textUnits*/) {}
  virtual void beginRecord() {}
  virtual void entry(const QString& key, const Scalar& value) = 0;
  virtual void endRecord() {}
};

// A list of records kept by its owner, for the binary writer. Each record's
// entries are given in ascending key order, each key once; the same key
// objects (the same QString data) from record to record make writing faster.
// A table does not change once handed over: the defaults store takes the
// same table object for the same records, and may copy its earlier encoding
// instead of visiting it again.
class RecordTable {
 public:
  virtual ~RecordTable() = default;
  [[nodiscard]] virtual qsizetype count() const = 0;
  virtual void visit(qsizetype index, RecordVisitor& visitor) const = 0;

  // The list as QVariants, for readers of the generic store API.
  [[nodiscard]] QVariantList toList() const;
};

using SharedRecordTable = std::shared_ptr<const RecordTable>;

// A RecordTable as a value the defaults store can hold for a key and the
// binary writer can encode. Read back through the store it is a QVariantList.
[[nodiscard]] QVariant recordTableValue(SharedRecordTable table);
// The table a value holds, or nullptr.
[[nodiscard]] const RecordTable* recordTableOf(const QVariant& value);
// The same, with its owner, or nullptr.
[[nodiscard]] const SharedRecordTable* sharedRecordTableOf(const QVariant& value);
// `value` with a held table turned into its QVariantList; anything else unchanged.
[[nodiscard]] QVariant materialized(const QVariant& value);

// Passes the dictionaries of a QVariantList (or of a held table) to
// `visitor`; answers false, visiting nothing, for a value that is not a list.
bool visitRecords(const QVariant& list, RecordVisitor& visitor);

}  // namespace plist

Q_DECLARE_METATYPE(plist::SharedRecordTable)
