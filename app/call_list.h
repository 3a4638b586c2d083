// The call list as the program holds it: one compact record per call,
// contiguous, with the texts packed into one shared block.
//
// A call has five fields: index, number, date, success and note. The stored
// preferences and the generic reader know a call as a dictionary of those
// keys; here a call is 80 bytes of typed values, and its texts live in a block
// built once per import or restore, so that a call costs little more than its
// text and a list of a million is a handful of allocations.
//
// Any value a dictionary may hold survives the trip: a field keeps the kind it
// was given (an integer index stays an integer, a number written as text stays
// text), and values of unusual kinds or keys beyond the five are kept aside
// for the rare record that has them.
//
// CallList is implicitly shared, and so are its records, in chunks of a few
// thousand: a copy costs a reference count per chunk, and a change to a copy
// copies only the chunk it falls in, never the texts. The window and the
// background writer can therefore hold the same list at no cost.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <vector>

#include "prefs/plist_records.h"
#include "text/large_array.h"

// The five keys of a call record.
namespace CallKeys {
inline const QString index = QStringLiteral("index");
inline const QString number = QStringLiteral("number");
inline const QString date = QStringLiteral("date");
inline const QString success = QStringLiteral("success");
inline const QString note = QStringLiteral("note");
}  // namespace CallKeys

// The fields of a call, in the table's column order.
enum class CallField : quint8 { Index, Number, Date, Success, Note };
inline constexpr int kCallFieldCount = 5;

// The key a field is stored under.
[[nodiscard]] const QString& callKey(CallField field);
// The field stored under `key`, or nothing for any other key.
[[nodiscard]] std::optional<CallField> callFieldOf(QStringView key);

// One field's value.
struct CallValue {
  enum class Kind : quint8 {
    Absent,
    Integer,    // `integer`
    Real,       // `real`
    Float,      // `single`
    Bool,       // `boolean`
    Date,       // `msecs` since the Unix epoch
    Text,       // `size` characters at `offset` in the list's text block
    AddedText,  // the list's added text number `offset`, set after the block was built
    Other,      // kept aside in the list's odd values under the field's key
  };
  Kind kind = Kind::Absent;
  quint32 size = 0;
  union {
    qint64 integer = 0;
    double real;
    float single;
    bool boolean;
    qint64 msecs;
    quint64 offset;
  };

  [[nodiscard]] bool isText() const { return kind == Kind::Text || kind == Kind::AddedText; }
};
static_assert(sizeof(CallValue) == 16);

struct Call {
  CallValue fields[kCallFieldCount];
  [[nodiscard]] const CallValue& operator[](CallField f) const { return fields[int(f)]; }
  [[nodiscard]] CallValue& operator[](CallField f) { return fields[int(f)]; }
};

class CallList {
 public:
  CallList();
  CallList(const CallList&);
  CallList(CallList&&) noexcept;
  CallList& operator=(const CallList&);
  CallList& operator=(CallList&&) noexcept;
  ~CallList();

  // The list of dictionaries as the preferences and the generic reader have it.
  [[nodiscard]] static CallList fromRecords(const QList<QVariantMap>& records);
  CallList(std::initializer_list<QVariantMap> records) : CallList(fromRecords(QList<QVariantMap>(records))) {}
  [[nodiscard]] QList<QVariantMap> toRecords() const;

  [[nodiscard]] qsizetype size() const;
  [[nodiscard]] bool isEmpty() const { return size() == 0; }

  [[nodiscard]] const Call& at(qsizetype row) const {
    Q_ASSERT(row >= 0 && row < size());
    return d_->chunks[size_t(row >> kChunkShift)].calls[row & (kChunkCalls - 1)];
  }
  [[nodiscard]] const CallValue& field(qsizetype row, CallField f) const { return at(row)[f]; }
  [[nodiscard]] bool has(qsizetype row, CallField f) const {
    return field(row, f).kind != CallValue::Kind::Absent;
  }
  // The text of a text value; empty for any other kind.
  [[nodiscard]] QStringView text(qsizetype row, CallField f) const;
  // The value as a dictionary holds it: qint64, double, float, bool, QString,
  // QDateTime (UTC) or a kept-aside value; invalid when absent.
  [[nodiscard]] QVariant value(qsizetype row, CallField f) const;
  // The whole record as a dictionary.
  [[nodiscard]] QVariantMap record(qsizetype row) const;
  // The success field as a truth value, as QVariant::toBool() reads it.
  [[nodiscard]] bool succeeded(qsizetype row) const;
  // Whether the call was made: it has a date.
  [[nodiscard]] bool called(qsizetype row) const { return has(row, CallField::Date); }

  // The records as dictionaries, one at a time, for code that walks a list
  // the way it walks a QList<QVariantMap>.
  class RecordIterator {
   public:
    RecordIterator(const CallList* list, qsizetype row) : list_(list), row_(row) {}
    const QVariantMap operator*() const { return list_->record(row_); }
    RecordIterator& operator++() {
      ++row_;
      return *this;
    }
    bool operator!=(const RecordIterator& other) const { return row_ != other.row_; }

   private:
    const CallList* list_;
    qsizetype row_;
  };
  [[nodiscard]] RecordIterator begin() const { return {this, 0}; }
  [[nodiscard]] RecordIterator end() const { return {this, size()}; }

  // Sets one field; an invalid QVariant removes it.
  void setValue(qsizetype row, CallField f, const QVariant& value);
  void setRecord(qsizetype row, const QVariantMap& record);
  void append(const QVariantMap& record);

  // The list as the binary writer encodes it, an array of dictionaries,
  // without a QVariant per record. Holds a copy of the list as it is now.
  [[nodiscard]] plist::SharedRecordTable storedTable() const;

  // Bytes held, for measuring.
  [[nodiscard]] qsizetype memoryBytes() const;

  // Equal records as QVariantMaps compare them.
  friend bool operator==(const CallList& a, const CallList& b) { return a.toRecords() == b.toRecords(); }
  friend bool operator!=(const CallList& a, const CallList& b) { return !(a == b); }

  // Text that values in a built list refer to. Immutable once built and shared
  // by every copy of the list.
  using TextBlock = LargeArray<char16_t>;

  // Records are held in chunks of this many calls.
  static constexpr int kChunkShift = 12;
  static constexpr qsizetype kChunkCalls = qsizetype(1) << kChunkShift;

  // A run of records that lists share until one of them changes it. The
  // records built at once lie in one block; a chunk copied on change has a
  // block of its own.
  struct Chunk : QSharedData {
    Call* calls = nullptr;
    qsizetype capacity = 0;
    std::shared_ptr<void> block;  // what `calls` lies in
  };
  struct ChunkRef {
    Call* calls;  // the chunk's, kept here to save a step on every read
    QExplicitlySharedDataPointer<Chunk> chunk;
  };

  struct Data : QSharedData {
    std::vector<ChunkRef> chunks;
    qsizetype count = 0;
    std::shared_ptr<const TextBlock> block;
    QList<QString> added;               // texts set after the block was built
    QHash<qsizetype, QVariantMap> odd;  // per row: values of unusual kinds, and unusual keys
  };

 private:
  friend class CallListBuilder;
  friend class CallListTable;
  [[nodiscard]] const QVariant* oddValue(qsizetype row, const QString& key) const;
  // The record to change, in a chunk this list holds alone.
  Call& changeAt(qsizetype row);
  QSharedDataPointer<Data> d_;
};

// Builds a list one record at a time, straight from a file's text or a stored
// list's bytes: texts go into the list's block as they come.
class CallListBuilder {
 public:
  // Room for `records` calls and `chars` characters of text; an estimate.
  void reserve(qsizetype records, qsizetype chars);

  // Starts a record with every field absent.
  void beginRecord();
  [[nodiscard]] qsizetype count() const { return calls_.size(); }
  // The current record's field.
  CallValue& field(CallField f) { return calls_[calls_.size() - 1][f]; }
  void setText(CallField f, QStringView text);
  void setLatin1Text(CallField f, const char* chars, qsizetype size);
  void setBigEndianText(CallField f, const void* units, qsizetype size);
  // Any value under any key, as setValue() takes it.
  void setVariant(const QString& key, const QVariant& value);
  // A stored dictionary's entry.
  void setScalar(const QString& key, const plist::Scalar& value);

  // The list; the builder starts empty again.
  [[nodiscard]] CallList finish();

 private:
  quint64 appendText(qsizetype size);
  QExplicitlySharedDataPointer<CallList::Data> data_{new CallList::Data};
  LargeArray<Call> calls_;
  CallList::TextBlock block_;
};

// Reads a stored list of dictionaries into a call list (see plist_records.h).
class CallListReader : public plist::RecordVisitor {
 public:
  void reserve(qsizetype records, qsizetype textUnits) override { builder_.reserve(records, textUnits); }
  void beginRecord() override { builder_.beginRecord(); }
  void entry(const QString& key, const plist::Scalar& value) override { builder_.setScalar(key, value); }
  [[nodiscard]] CallList finish() { return builder_.finish(); }

 private:
  CallListBuilder builder_;
};
