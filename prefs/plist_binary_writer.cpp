// Encoding binary property lists (see plist_binary_format.h for the layout).
#include <QDateTime>
#include <QHash>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "prefs/plist_binary.h"
#include "prefs/plist_binary_format.h"
#include "prefs/plist_records.h"
#include "prefs/plist_value.h"
#include "text/huge_pages.h"
#include "text/large_array.h"

namespace plist {

namespace {

using namespace bplist;

// Smallest of 1, 2, 4 or 8 bytes that holds `v`.
int bytesFor(quint64 v) {
  if (v <= 0xFF) return 1;
  if (v <= 0xFFFF) return 2;
  if (v <= 0xFFFFFFFFu) return 4;
  return 8;
}

// Writes into memory reserved up front; the callers size it for the worst case.
struct ByteWriter {
  char* p;
  void byte(int b) { *p++ = char(b); }
  void bigEndian(quint64 v, int size) {
    writeBigEndian(reinterpret_cast<uchar*>(p), v, size);
    p += size;
  }
  void bytes(const char* data, qsizetype n) {
    std::memcpy(p, data, size_t(n));
    p += n;
  }
};

// The marker of a 1-, 2-, 4- or 8-byte integer object.
int integerMarker(int size) { return 0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3); }

class BinaryWriter {
 public:
  // See encodeBinaryParts().
  std::optional<BinaryParts> write(const QVariant& root, const TableRun* earlier, QString* error) {
    BinaryParts parts;
    // A record table among the top dictionary's values goes first, alone and
    // with nothing shared with the rest, so that its bytes depend on it only.
    const SharedRecordTable* lead = nullptr;
    if (root.userType() == QMetaType::QVariantMap) {
      const QVariantMap& map = *static_cast<const QVariantMap*>(root.constData());
      for (auto it = map.cbegin(); it != map.cend() && !lead; ++it)
        if ((lead = sharedRecordTableOf(it.value()))) leadKey_ = &it.key();
    }
    quint64 runObjects = 0;
    if (lead) {
      if (earlier && sameTable(earlier->table, *lead) && earlier->objects < kNone) {
        parts.reused = *earlier;
        base_ = quint32(earlier->objects);
      } else {
        (void)flattenTable(**lead, 1);  // its array is object 0
      }
      runObjects = base_ + quint64(objects_.size());
      forgetShared();
    }
    const quint32 top = flatten(root, 0);
    if (!error_.isEmpty()) {
      if (error) *error = error_;
      return std::nullopt;
    }
    const quint64 total = base_ + quint64(objects_.size());
    refSize_ = bytesFor(total - 1);
    // The copied run's references have the earlier size: a list that needs
    // another one is encoded whole.
    if (parts.reused && refSize_ != parts.reused->refSize) return BinaryWriter().write(root, nullptr, error);

    // Where out[0] lies in the list: at the signature, or after the reused run.
    const quint64 origin = parts.reused ? quint64(kSignatureSize) + parts.reused->length : 0;
    // Worst case: every object has a marker, a 9-byte length and an 8-byte offset.
    const qsizetype bound = kSignatureSize + payloadBytes_ + qsizetype(objects_.size()) * 18 +
                            qsizetype(refs_.size()) * refSize_ + kTrailerSize;
    QByteArray out(bound, Qt::Uninitialized);
    adviseHugePages(out.data(), size_t(bound), size_t(4) << 20);
    ByteWriter w{out.data()};
    if (!parts.reused) w.bytes(kSignature, kSignatureSize);
    LargeArray<quint64> offsets;
    offsets.reserve(objects_.size());
    for (qsizetype i = 0; i < objects_.size(); ++i) {
      offsets.append(origin + quint64(w.p - out.constData()));
      writeObject(w, objects_[i]);
    }
    const quint64 tableOffset = origin + quint64(w.p - out.constData());
    const int offsetSize = bytesFor(offsets[offsets.size() - 1]);
    if (parts.reused) {
      // The run's offset entries go between the objects and the rest.
      out.truncate(w.p - out.constData());
      parts.tail = QByteArray(qsizetype(offsets.size()) * offsetSize + kTrailerSize, Qt::Uninitialized);
      w = ByteWriter{parts.tail.data()};
    }
    for (qsizetype i = 0; i < offsets.size(); ++i) w.bigEndian(offsets[i], offsetSize);
    for (int i = 0; i < 6; ++i) w.byte(0);
    w.byte(offsetSize);
    w.byte(refSize_);
    w.bigEndian(total, 8);
    w.bigEndian(top, 8);
    w.bigEndian(tableOffset, 8);
    if (!parts.reused) out.truncate(w.p - out.constData());
    parts.objects = std::move(out);
    parts.offsetSize = offsetSize;
    if (lead) {
      const quint64 length =
          parts.reused ? parts.reused->length : offsets[qsizetype(runObjects)] - kSignatureSize;
      parts.run = TableRun{*lead, runObjects, length, refSize_, offsetSize, tableOffset};
    }
    return parts;
  }

 private:
  enum class Kind : quint8 { False, True, Int, UInt, Real, Float, Date, Data, String, Array, Dict };
  struct Object {
    explicit Object(Kind k) : kind(k), i(0) {}
    Kind kind;
    quint32 count = 0;  // children of an array or entries of a dict
    union {
      qint64 i;
      quint64 u;
      double d;
      float f;
      const QChar* s;  // `count` characters
      const QByteArray* b;
      size_t firstChild;  // index into refs_; a dict's keys come before its values
    };
  };

  quint32 add(Object o) {
    payloadBytes_ += 16;  // covers any scalar's bytes
    objects_.append(o);
    return base_ + quint32(objects_.size() - 1);
  }

  static bool sameTable(const std::weak_ptr<const RecordTable>& held, const SharedRecordTable& table) {
    // Owners compare equal only for the very same table, even after it is gone.
    return !held.owner_before(table) && !table.owner_before(held) && held.lock().get() == table.get();
  }

  // Forgets every object written so far, so that none is referred to again.
  void forgetShared() {
    keys_.clear();
    std::fill(std::begin(recentKeys_), std::end(recentKeys_), RecentSlot{});
    std::fill(std::begin(recentStrings_), std::end(recentStrings_), RecentSlot{});
    std::fill(std::begin(recentIntegers_), std::end(recentIntegers_), RecentSlot{});
    trueIndex_ = falseIndex_ = kNone;
  }

  quint32 addString(const QChar* chars, qsizetype size) {
    Object o(Kind::String);
    o.s = chars;
    o.count = quint32(size);
    payloadBytes_ += 2 * size;
    return add(o);
  }

  // Dictionary keys repeat in every record and are few: each is written once.
  // Keys usually share their characters too, which is checked first.
  quint32 flattenKey(const QString* s) {
    RecentSlot& slot = recentKeys_[(quintptr(s->constData()) >> 4) % std::size(recentKeys_)];
    if (slot.key == quintptr(s->constData()) && slot.size == s->size() && slot.index != kNone)
      return slot.index;
    auto it = keys_.constFind(QStringView(*s));
    const quint32 index = it != keys_.cend() ? it.value() : addString(s->constData(), s->size());
    if (it == keys_.cend()) keys_.insert(QStringView(*s), index);
    slot = RecentSlot{quintptr(s->constData()), s->size(), index};
    return index;
  }

  // Other strings are mostly distinct, so hashing every one costs more than it
  // saves; a string that shares its characters with a recent one (an implicitly
  // shared copy) is still written once.
  quint32 flattenString(const QChar* chars, qsizetype size) {
    if (size > qsizetype(std::numeric_limits<quint32>::max())) return fail(QStringLiteral("string too long"));
    const auto address = quintptr(chars);
    RecentSlot& slot = recentStrings_[(address >> 4) % std::size(recentStrings_)];
    if (slot.key == address && slot.size == size && slot.index != kNone) return slot.index;
    slot = RecentSlot{address, size, addString(chars, size)};
    return slot.index;
  }

  // Integers: repeated small values (flags, counts) are written once.
  quint32 flattenInteger(qint64 v) {
    RecentSlot& slot = recentIntegers_[quint64(v) % std::size(recentIntegers_)];
    if (slot.key == quintptr(v) && slot.index != kNone) return slot.index;
    Object o(Kind::Int);
    o.i = v;
    slot = RecentSlot{quintptr(v), 0, add(o)};
    return slot.index;
  }

  quint32 flattenBool(bool v) {
    quint32& cached = v ? trueIndex_ : falseIndex_;
    if (cached == kNone) cached = add(Object(v ? Kind::True : Kind::False));
    return cached;
  }

  // Appends `v` and everything inside it to objects_, returning its index.
  quint32 flatten(const QVariant& v, int depth) {
    if (depth > kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
    const void* data = v.constData();
    Object o(Kind::Int);
    switch (v.userType()) {
      case QMetaType::LongLong:
        return flattenInteger(*static_cast<const qint64*>(data));
      case QMetaType::ULongLong: {
        const quint64 u = *static_cast<const quint64*>(data);
        if (u <= quint64(std::numeric_limits<qint64>::max())) return flattenInteger(qint64(u));
        o.kind = Kind::UInt;
        o.u = u;
        return add(o);
      }
      case QMetaType::Bool:
        return flattenBool(*static_cast<const bool*>(data));
      case QMetaType::Double:
        o.kind = Kind::Real;
        o.d = *static_cast<const double*>(data);
        return add(o);
      case QMetaType::Float:
        o.kind = Kind::Float;
        o.f = *static_cast<const float*>(data);
        return add(o);
      case QMetaType::QDateTime: {
        const QDateTime& dt = *static_cast<const QDateTime*>(data);
        if (!dt.isValid()) return fail(QStringLiteral("invalid date"));
        o.kind = Kind::Date;
        o.d = double(dt.toMSecsSinceEpoch() - kReferenceDateMsecs) / 1000.0;
        return add(o);
      }
      case QMetaType::QByteArray:
        o.kind = Kind::Data;
        o.b = static_cast<const QByteArray*>(data);
        payloadBytes_ += o.b->size();
        return add(o);
      case QMetaType::QString: {
        const QString& text = *static_cast<const QString*>(data);
        return flattenString(text.constData(), text.size());
      }
      case QMetaType::QVariantList: {
        const QVariantList& list = *static_cast<const QVariantList*>(data);
        o.kind = Kind::Array;
        o.count = quint32(list.size());
        o.firstChild = refs_.size();
        const quint32 index = add(o);
        refs_.resize(refs_.size() + list.size());
        for (qsizetype i = 0; i < list.size(); ++i) refs_[o.firstChild + i] = flatten(list[i], depth + 1);
        return index;
      }
      case QMetaType::QVariantMap: {
        const QVariantMap& map = *static_cast<const QVariantMap*>(data);
        o.kind = Kind::Dict;
        o.count = quint32(map.size());
        o.firstChild = refs_.size();
        const quint32 index = add(o);
        refs_.resize(refs_.size() + 2 * map.size());
        size_t k = o.firstChild;
        for (auto it = map.cbegin(); it != map.cend(); ++it, ++k) {
          refs_[k] = flattenKey(&it.key());
          // The leading table was written first, as object 0.
          refs_[k + o.count] = depth == 0 && &it.key() == leadKey_ ? 0 : flatten(it.value(), depth + 1);
        }
        return index;
      }
      default:
        if (const RecordTable* table = recordTableOf(v)) return flattenTable(*table, depth);
        return fail(QStringLiteral("a value of type %1 has no property-list form")
                        .arg(QString::fromLatin1(v.typeName() ? v.typeName() : "invalid")));
    }
  }

  // A table's records, written as the array of dictionaries it stands for,
  // straight from the owner's form.
  class EntryCollector final : public RecordVisitor {
   public:
    void entry(const QString& key, const Scalar& value) override { entries.push_back({&key, value}); }
    std::vector<std::pair<const QString*, Scalar>> entries;
  };

  quint32 flattenScalar(const Scalar& value, int depth) {
    Object o(Kind::Int);
    switch (value.kind) {
      case Scalar::Kind::Integer:
        return flattenInteger(value.integer);
      case Scalar::Kind::Real:
        o.kind = Kind::Real;
        o.d = value.real;
        return add(o);
      case Scalar::Kind::Float:
        o.kind = Kind::Float;
        o.f = value.single;
        return add(o);
      case Scalar::Kind::Bool:
        return flattenBool(value.boolean);
      case Scalar::Kind::Date:
        o.kind = Kind::Date;
        o.d = double(value.msecs - kReferenceDateMsecs) / 1000.0;
        return add(o);
      case Scalar::Kind::Text:
        return flattenString(static_cast<const QChar*>(value.chars), value.size);
      case Scalar::Kind::Other:
        if (value.other) return flatten(*value.other, depth);
        break;
      case Scalar::Kind::Latin1Text:
      case Scalar::Kind::BigEndianText:
        break;
    }
    return fail(QStringLiteral("a record value has no property-list form"));
  }

  quint32 flattenTable(const RecordTable& table, int depth) {
    const qsizetype count = table.count();
    // Room for records of five entries and their values, most of them
    // distinct; more is made as needed.
    objects_.reserve(objects_.size() + 6 * count + 16);
    refs_.reserve(refs_.size() + 11 * count + 16);
    Object array(Kind::Array);
    array.count = quint32(count);
    array.firstChild = refs_.size();
    const quint32 index = add(array);
    refs_.resize(refs_.size() + size_t(count));
    EntryCollector collector;
    for (qsizetype i = 0; i < count; ++i) {
      collector.entries.clear();
      table.visit(i, collector);
      Object dict(Kind::Dict);
      dict.count = quint32(collector.entries.size());
      dict.firstChild = refs_.size();
      refs_[array.firstChild + size_t(i)] = add(dict);
      refs_.resize(refs_.size() + 2 * collector.entries.size());
      size_t k = dict.firstChild;
      for (const auto& [key, value] : collector.entries) {
        refs_[k] = flattenKey(key);
        refs_[k + dict.count] = flattenScalar(value, depth + 2);
        ++k;
      }
    }
    return index;
  }

  quint32 fail(const QString& why) {
    if (error_.isEmpty()) error_ = why;
    return 0;
  }

  // Writes an object's type marker with its length, which stays in the low
  // nibble when below 15 and otherwise follows as an integer object.
  static void writeMarker(ByteWriter& w, int type, quint64 length) {
    if (length < 15) return w.byte(type | int(length));
    w.byte(type | 0x0F);
    const int size = bytesFor(length);
    w.byte(integerMarker(size));
    w.bigEndian(length, size);
  }

  static void writeString(ByteWriter& w, const QChar* chars, qsizetype n) {
    const char16_t* units = reinterpret_cast<const char16_t*>(chars);
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i) ascii = units[i] < 0x80;
    writeMarker(w, ascii ? 0x50 : 0x60, quint64(n));
    if (ascii) {
      for (qsizetype i = 0; i < n; ++i) w.p[i] = char(units[i]);
      w.p += n;
    } else {
      qToBigEndian<quint16>(units, n, w.p);
      w.p += 2 * n;
    }
  }

  void writeObject(ByteWriter& w, const Object& o) const {
    switch (o.kind) {
      case Kind::False:
        return w.byte(0x08);
      case Kind::True:
        return w.byte(0x09);
      case Kind::Int: {
        const int size = o.i < 0 ? 8 : bytesFor(quint64(o.i));
        w.byte(integerMarker(size));
        return w.bigEndian(quint64(o.i), size);
      }
      case Kind::UInt:  // 16-byte integer: the high half is zero
        w.byte(0x14);
        w.bigEndian(0, 8);
        return w.bigEndian(o.u, 8);
      case Kind::Real:
      case Kind::Date: {
        quint64 bits;
        std::memcpy(&bits, &o.d, 8);
        w.byte(o.kind == Kind::Real ? 0x23 : 0x33);
        return w.bigEndian(bits, 8);
      }
      case Kind::Float: {
        quint32 bits;
        std::memcpy(&bits, &o.f, 4);
        w.byte(0x22);
        return w.bigEndian(bits, 4);
      }
      case Kind::Data:
        writeMarker(w, 0x40, quint64(o.b->size()));
        return w.bytes(o.b->constData(), o.b->size());
      case Kind::String:
        return writeString(w, o.s, o.count);
      case Kind::Array:
      case Kind::Dict: {
        writeMarker(w, o.kind == Kind::Array ? 0xA0 : 0xD0, o.count);
        const size_t refs = o.kind == Kind::Array ? o.count : 2 * size_t(o.count);
        for (size_t i = 0; i < refs; ++i) w.bigEndian(refs_[o.firstChild + i], refSize_);
        return;
      }
    }
  }

  static constexpr quint32 kNone = std::numeric_limits<quint32>::max();
  LargeArray<Object> objects_;
  LargeArray<quint32> refs_;
  struct RecentSlot {
    quintptr key = 0;
    qsizetype size = 0;
    quint32 index = kNone;
  };
  QHash<QStringView, quint32> keys_;
  RecentSlot recentKeys_[64];
  RecentSlot recentStrings_[256];
  RecentSlot recentIntegers_[256];
  quint32 trueIndex_ = kNone;
  quint32 falseIndex_ = kNone;
  quint32 base_ = 0;                  // the index of objects_[0]: objects before it are reused
  const QString* leadKey_ = nullptr;  // the top dictionary's key of the table written first
  int refSize_ = 1;
  qsizetype payloadBytes_ = 0;  // an upper bound of the bytes after the objects' markers
  QString error_;
};

}  // namespace

std::optional<QByteArray> encodeBinary(const QVariant& value, QString* error) {
  auto parts = BinaryWriter().write(value, nullptr, error);
  if (!parts) return std::nullopt;
  return std::move(parts->objects);
}

std::optional<BinaryParts> encodeBinaryParts(const QVariant& value, const TableRun* earlier, QString* error) {
  return BinaryWriter().write(value, earlier, error);
}

}  // namespace plist
