// Layout of a binary property list: the 8-byte signature, the objects, a
// table of object offsets, and a 32-byte trailer naming the sizes of offsets
// and of object references, the object count, the top object and where the
// offset table starts. Multi-byte numbers are big-endian.
#include "prefs/plist_binary.h"

#include <QDateTime>
#include <QHash>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "prefs/plist_records.h"
#include "prefs/plist_value.h"
#include "text/huge_pages.h"
#include "text/large_array.h"

namespace plist {

namespace {

constexpr char kSignature[] = "bplist00";
constexpr qsizetype kSignatureSize = 8;
constexpr qsizetype kTrailerSize = 32;

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
    for (int i = size - 1; i >= 0; --i, v >>= 8) p[i] = char(v & 0xFF);
    p += size;
  }
  void bytes(const char* data, qsizetype n) {
    std::memcpy(p, data, size_t(n));
    p += n;
  }
};

// The marker of a 1-, 2-, 4- or 8-byte integer object.
int integerMarker(int size) { return 0x10 | (size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3); }

// ---------------------------------------------------------------- writing

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

// ---------------------------------------------------------------- reading

class BinaryReader {
 public:
  explicit BinaryReader(QByteArrayView bytes)
      : data_(reinterpret_cast<const uchar*>(bytes.data())), size_(bytes.size()) {}

  // Checks the whole list without building any value: every object reachable
  // from the top is bounds- and type-checked, and cycles, nesting and
  // expansion are limited as a decoding limits them, so that decode() cannot
  // fail afterwards. Also counts the references to each object for decode().
  bool check(QString* error) {
    bool ok = readTrailer();
    if (ok) {
      referenced_.fill(qsizetype(count_), 0);
      extents_.fill(qsizetype(count_), Extent{});
      Extent top;
      ok = checkObject(top_, 0, top);
      extents_ = {};
    }
    if (!ok && error) *error = QStringLiteral("binary property list: ") + error_;
    return ok;
  }

  // Decodes object `index` at nesting depth `depth`; check() must have passed.
  std::optional<QVariant> decode(quint64 index, int depth, QString* error) {
    error_.clear();
    shared_.clear();
    quint64 weight = 0;
    auto result = index < count_ ? object(index, depth, weight) : failed(QStringLiteral("no such object"));
    if (!result && error) *error = QStringLiteral("binary property list: ") + error_;
    return result;
  }

  quint64 top() const { return top_; }

  // Passes the dictionaries of the array `index` to `visitor` (check() must
  // have passed); answers false for an object that is not an array or set.
  bool records(quint64 index, RecordVisitor& visitor) {
    error_.clear();
    shared_.clear();
    const quint64 offset = offsetOf(index);
    const int type = offset ? data_[offset] >> 4 : 0;
    quint64 at, count;
    if ((type != 0xA && type != 0xC) || !containerRefs(offset, at, count)) return false;
    // No text can be longer than the file.
    visitor.reserve(qsizetype(count), size_);
    for (quint64 i = 0; i < count; ++i, at += refSize_) {
      const quint64 element = offsetOf(bigEndian(at, refSize_));
      quint64 entriesAt, refs;
      if ((data_[element] >> 4) != 0xD || !containerRefs(element, entriesAt, refs)) continue;
      const quint64 entries = refs / 2;
      visitor.beginRecord();
      for (quint64 e = 0; e < entries; ++e) {
        quint64 weight = 0;
        const QString* key = keyString(entriesAt + e * refSize_, 1, weight);
        QVariant other;
        if (key)
          visitor.entry(*key, scalar(bigEndian(entriesAt + (entries + e) * refSize_, refSize_), other));
      }
      visitor.endRecord();
    }
    return true;
  }

  // The marker of object `index` (check() must have passed).
  uchar marker(quint64 index) const { return data_[offsetOf(index)]; }

  // Returns the object references of the container `index` (check() must
  // have passed): a dictionary's keys first, then its values.
  std::vector<quint64> references(quint64 index) {
    quint64 at = 0, refs = 0;
    std::vector<quint64> out;
    if (!containerRefs(offsetOf(index), at, refs)) return out;
    for (quint64 r = 0; r < refs; ++r, at += refSize_) out.push_back(bigEndian(at, refSize_));
    return out;
  }

 private:
  // A decoded object referenced more than once, kept so that it is decoded
  // once and shared; `weight` counts the values inside it, shared ones each
  // time they occur.
  struct Shared {
    QVariant value;
    quint64 weight;
  };

  bool fail(const QString& why) {
    if (error_.isEmpty()) error_ = why;
    return false;
  }

  std::optional<QVariant> failed(const QString& why) {
    fail(why);
    return std::nullopt;
  }

  quint64 bigEndian(quint64 pos, int size) const {
    const uchar* p = data_ + pos;
    switch (size) {
      case 1:
        return *p;
      case 2:
        return qFromBigEndian<quint16>(p);
      case 4:
        return qFromBigEndian<quint32>(p);
      case 8:
        return qFromBigEndian<quint64>(p);
    }
    quint64 v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
  }

  bool readTrailer() {
    if (size_ < kSignatureSize + kTrailerSize || std::memcmp(data_, kSignature, kSignatureSize) != 0)
      return fail(QStringLiteral("too short or wrong signature"));
    const quint64 t = quint64(size_ - kTrailerSize);
    offsetSize_ = data_[t + 6];
    refSize_ = data_[t + 7];
    count_ = bigEndian(t + 8, 8);
    top_ = bigEndian(t + 16, 8);
    tableOffset_ = bigEndian(t + 24, 8);
    if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
      return fail(QStringLiteral("bad offset or reference size"));
    if (count_ == 0 || top_ >= count_) return fail(QStringLiteral("bad object count or top object"));
    if (tableOffset_ < quint64(kSignatureSize) + 1 || tableOffset_ > t ||
        count_ > (t - tableOffset_) / quint64(offsetSize_))
      return fail(QStringLiteral("offset table out of bounds"));
    // A shared container is decoded once but counts each time it occurs;
    // capping the total keeps a small file from expanding exponentially.
    weightLimit_ = std::max<quint64>(quint64(1) << 20, quint64(size_) * 4);
    return true;
  }

  // Returns the offset of object `index`, or 0 when it lies outside the object area.
  quint64 offsetOf(quint64 index) const {
    const quint64 offset = bigEndian(tableOffset_ + index * quint64(offsetSize_), offsetSize_);
    return offset >= quint64(kSignatureSize) && offset < tableOffset_ ? offset : 0;
  }

  // Reads the length that follows a marker at `pos` (low nibble `nibble`),
  // advancing `pos` past any separate length integer.
  bool readLength(quint64& pos, int nibble, quint64& length) {
    if (nibble != 0x0F) {
      length = quint64(nibble);
      return true;
    }
    if (pos >= tableOffset_) return fail(QStringLiteral("length out of bounds"));
    const uchar marker = data_[pos];
    const int size = 1 << (marker & 0x0F);
    if ((marker & 0xF0) != 0x10 || size > 8 || quint64(size) > tableOffset_ - pos - 1)
      return fail(QStringLiteral("bad length"));
    length = bigEndian(pos + 1, size);
    pos += 1 + size;
    return true;
  }

  // Checks that `count` items of `itemSize` bytes fit between `pos` and the offset table.
  bool fits(quint64 pos, quint64 count, quint64 itemSize) {
    if (pos > tableOffset_ || count > (tableOffset_ - pos) / itemSize)
      return fail(QStringLiteral("object extends past the object area"));
    return true;
  }

  // Finds the position and number of references of the container at `pos`.
  bool containerRefs(quint64 pos, quint64& refsAt, quint64& refs) {
    const uchar marker = data_[pos];
    const int type = marker >> 4;
    if (type != 0xA && type != 0xC && type != 0xD) return false;
    refsAt = pos + 1;
    quint64 count;
    if (!readLength(refsAt, marker & 0x0F, count)) return false;
    if (type == 0xD && count > std::numeric_limits<quint64>::max() / 2)
      return fail(QStringLiteral("bad length"));
    refs = type == 0xD ? 2 * count : count;
    return fits(refsAt, refs, refSize_);
  }

  // What check() learns of an object: the values a decoding builds for it
  // (shared ones counted each time they occur) and how deep it nests.
  struct Extent {
    quint64 weight = 0;
    quint16 height = 0;  // 0 for a scalar, 1 + the highest child for a container
    quint8 state = kUnseen;
  };
  static constexpr quint8 kUnseen = 0, kChecking = 1, kChecked = 2;

  // Checks object `index` found at `depth` and all it holds, once per object.
  // A shared object met again deeper down must still fit the nesting limit.
  bool checkObject(quint64 index, int depth, Extent& result) {
    Extent& e = extents_[index];
    if (e.state == kChecking) return fail(QStringLiteral("object graph has a cycle"));
    if (e.state == kUnseen) {
      if (depth > kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
      const quint64 offset = offsetOf(index);
      if (!offset) return fail(QStringLiteral("object offset out of bounds"));
      e.state = kChecking;
      Extent checked{1, 0, kChecked};
      if (!checkContents(offset, depth, checked)) return false;
      e = checked;
    }
    if (depth + e.height > kMaxDepth) return fail(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
    result = e;
    return true;
  }

  // Checks the object at `pos` as parse() would decode it, adding its
  // children's weight and height to `e`.
  bool checkContents(quint64 pos, int depth, Extent& e) {
    const uchar marker = data_[pos++];
    const int nibble = marker & 0x0F;
    quint64 length;
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08 || marker == 0x09) return true;
        break;
      case 0x1:
        return integerFits(pos, nibble);
      case 0x2:
      case 0x3:
        return realFits(pos, marker);
      case 0x4:
      case 0x5:
      case 0x6:
      case 0x7:
        return readLength(pos, nibble, length) && fits(pos, length, (marker >> 4) == 0x6 ? 2 : 1);
      case 0xA:
      case 0xC:
      case 0xD: {
        quint64 at, refs;
        if (!containerRefs(pos - 1, at, refs)) return false;
        const quint64 keys = (marker >> 4) == 0xD ? refs / 2 : 0;
        for (quint64 r = 0; r < refs; ++r, at += refSize_) {
          const quint64 ref = bigEndian(at, refSize_);
          if (ref >= count_) return fail(QStringLiteral("object reference out of range"));
          if (referenced_[ref] < 2) ++referenced_[ref];
          Extent child;
          if (!checkObject(ref, depth + 1, child)) return false;
          const int type = data_[offsetOf(ref)] >> 4;
          if (r < keys && type != 0x5 && type != 0x6 && type != 0x7)
            return fail(QStringLiteral("dictionary key is not a string"));
          e.weight += child.weight;
          if (e.weight > weightLimit_) return fail(QStringLiteral("shared containers expand too far"));
          e.height = std::max<quint16>(e.height, child.height + 1);
        }
        return true;
      }
    }
    return fail(QStringLiteral("unsupported object type 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
  }

  std::optional<QVariant> object(quint64 index, int depth, quint64& weight) {
    const quint64 offset = offsetOf(index);
    if (!offset) return failed(QStringLiteral("object offset out of bounds"));
    // Shared scalars (booleans, numbers, dates) are cheaper to decode again
    // than to look up; strings, data and containers are kept once decoded.
    const bool shared = referenced_[index] > 1 && (data_[offset] >> 4) >= 0x4;
    if (shared) {
      const auto it = shared_.constFind(index);
      if (it != shared_.cend()) {
        weight = it->weight;
        return it->value;
      }
    }
    if (referenced_[index] == kInProgress) return failed(QStringLiteral("object graph has a cycle"));
    if (depth > kMaxDepth) return failed(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
    const quint8 saved = referenced_[index];
    referenced_[index] = kInProgress;
    weight = 1;
    auto value = parse(offset, depth, weight);
    referenced_[index] = saved;
    if (value && shared) shared_.insert(index, Shared{*value, weight});
    return value;
  }

  std::optional<QVariant> parse(quint64 pos, int depth, quint64& weight) {
    const uchar marker = data_[pos++];
    const int nibble = marker & 0x0F;
    switch (marker >> 4) {
      case 0x0:
        if (marker == 0x08) return QVariant(false);
        if (marker == 0x09) return QVariant(true);
        break;
      case 0x1:
        return integer(pos, nibble);
      case 0x2:
      case 0x3:
        return real(pos, marker);
      case 0x4:
      case 0x5:
      case 0x6:
      case 0x7: {
        quint64 length;
        if (!readLength(pos, nibble, length)) return std::nullopt;
        return bytesObject(pos, marker >> 4, length);
      }
      case 0xA:
      case 0xC:
        return array(pos - 1, depth, weight);
      case 0xD:
        return dictionary(pos - 1, depth, weight);
    }
    return failed(QStringLiteral("unsupported object type 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
  }

  // The value of object `index` as a scalar, decoded straight from the bytes;
  // anything else is decoded into `other`, which the scalar then names.
  Scalar scalar(quint64 index, QVariant& other) {
    Scalar s;
    const quint64 pos = offsetOf(index);
    const uchar marker = data_[pos];
    const int nibble = marker & 0x0F;
    switch (marker >> 4) {
      case 0x0:
        s.kind = Scalar::Kind::Bool;
        s.boolean = marker == 0x09;
        return s;
      case 0x1:
        if (nibble < 4) {
          s.integer = qint64(bigEndian(pos + 1, 1 << nibble));
          return s;
        }
        break;
      case 0x2:
        if (marker == 0x22) {
          const quint32 bits = quint32(bigEndian(pos + 1, 4));
          s.kind = Scalar::Kind::Float;
          std::memcpy(&s.single, &bits, 4);
        } else {
          s.kind = Scalar::Kind::Real;
          s.real = doubleAt(pos + 1);
        }
        return s;
      case 0x3:
        s.kind = Scalar::Kind::Date;
        s.msecs = std::llround(doubleAt(pos + 1) * 1000.0) + kReferenceDateMsecs;
        return s;
      case 0x5:
      case 0x6: {
        quint64 at = pos + 1, length = 0;
        if (!readLength(at, nibble, length)) break;
        s.kind = (marker >> 4) == 0x5 ? Scalar::Kind::Latin1Text : Scalar::Kind::BigEndianText;
        s.chars = data_ + at;
        s.size = qsizetype(length);
        return s;
      }
      default:
        break;
    }
    other = decode(index, 1, nullptr).value_or(QVariant());
    s.kind = Scalar::Kind::Other;
    s.other = &other;
    return s;
  }

  // Checks the integer whose bytes start at `pos`.
  bool integerFits(quint64 pos, int nibble) {
    if (nibble > 4) return fail(QStringLiteral("bad integer size"));
    const int size = 1 << nibble;
    if (!fits(pos, size, 1)) return false;
    if (size <= 8) return true;
    // 16 bytes: a 128-bit two's-complement number; only what fits 64 bits is read.
    const quint64 high = bigEndian(pos, 8), low = bigEndian(pos + 8, 8);
    if (high == 0 || (high == ~quint64(0) && (low >> 63))) return true;
    return fail(QStringLiteral("integer does not fit 64 bits"));
  }

  std::optional<QVariant> integer(quint64 pos, int nibble) {
    if (!integerFits(pos, nibble)) return std::nullopt;
    if (nibble < 4) return QVariant::fromValue(qint64(bigEndian(pos, 1 << nibble)));
    const quint64 high = bigEndian(pos, 8), low = bigEndian(pos + 8, 8);
    if (high == 0 && low > quint64(std::numeric_limits<qint64>::max())) return QVariant::fromValue(low);
    return QVariant::fromValue(qint64(low));
  }

  double doubleAt(quint64 pos) const {
    const quint64 bits = bigEndian(pos, 8);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }

  // Checks the real or date whose bytes start at `pos`. Dates are seconds since
  // 2001-01-01 UTC; QDateTime keeps milliseconds. Within about 30,000 years of
  // 2001 a double holds every millisecond, so that a date read and written
  // again stays the same.
  bool realFits(quint64 pos, uchar marker) {
    if (marker != 0x22 && marker != 0x23 && marker != 0x33)
      return fail(QStringLiteral("bad real or date size"));
    if (!fits(pos, marker == 0x22 ? 4 : 8, 1)) return false;
    const double d = marker == 0x33 ? doubleAt(pos) : 0.0;
    if (!std::isfinite(d) || std::fabs(d) > 1e12) return fail(QStringLiteral("date out of range"));
    return true;
  }

  std::optional<QVariant> real(quint64 pos, uchar marker) {
    if (!realFits(pos, marker)) return std::nullopt;
    if (marker == 0x22) {
      const quint32 bits = quint32(bigEndian(pos, 4));
      float f;
      std::memcpy(&f, &bits, 4);
      return QVariant(f);
    }
    if (marker == 0x23) return QVariant(doubleAt(pos));
    const qint64 msecs = std::llround(doubleAt(pos) * 1000.0) + kReferenceDateMsecs;
    return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
  }

  std::optional<QVariant> bytesObject(quint64 pos, int type, quint64 length) {
    const quint64 unit = type == 0x6 ? 2 : 1;
    if (!fits(pos, length, unit)) return std::nullopt;
    const char* p = reinterpret_cast<const char*>(data_ + pos);
    const qsizetype n = qsizetype(length);
    switch (type) {
      case 0x4:
        return QVariant(QByteArray(p, n));
      case 0x5:  // nominally ASCII; bytes above 0x7F are taken as Latin-1
        return QVariant(QString::fromLatin1(p, n));
      case 0x7:
        return QVariant(QString::fromUtf8(p, n));
      default: {
        QString s(n, Qt::Uninitialized);
        qFromBigEndian<quint16>(p, n, s.data());
        return QVariant(s);
      }
    }
  }

  // Decodes the child that the reference at `pos` names, adding its weight to `weight`.
  std::optional<QVariant> child(quint64 pos, int depth, quint64& weight) {
    const quint64 ref = bigEndian(pos, refSize_);
    if (ref >= count_) return failed(QStringLiteral("object reference out of range"));
    quint64 childWeight = 0;
    auto value = object(ref, depth + 1, childWeight);
    weight += childWeight;
    if (value && weight > weightLimit_) return failed(QStringLiteral("shared containers expand too far"));
    return value;
  }

  std::optional<QVariant> array(quint64 pos, int depth, quint64& weight) {
    quint64 at, count;
    if (!containerRefs(pos, at, count)) return std::nullopt;
    QVariantList list;
    list.reserve(qsizetype(std::min(count, weightLimit_ - weight)));
    for (quint64 i = 0; i < count; ++i, at += refSize_) {
      auto item = child(at, depth, weight);
      if (!item) return std::nullopt;
      list.append(std::move(*item));
    }
    return QVariant(list);
  }

  // Returns the dictionary key that the reference at `pos` names. The same few
  // keys recur in every record, so recent ones are kept by object index.
  const QString* keyString(quint64 pos, int depth, quint64& weight) {
    const quint64 ref = bigEndian(pos, refSize_);
    KeySlot& slot = keys_[ref % std::size(keys_)];
    if (slot.index == ref + 1) {
      weight += 1;
      return &slot.key;
    }
    const auto key = child(pos, depth, weight);
    if (!key) return nullptr;
    if (key->userType() != QMetaType::QString) {
      fail(QStringLiteral("dictionary key is not a string"));
      return nullptr;
    }
    slot = KeySlot{ref + 1, *static_cast<const QString*>(key->constData())};
    return &slot.key;
  }

  std::optional<QVariant> dictionary(quint64 pos, int depth, quint64& weight) {
    quint64 at, refs;
    if (!containerRefs(pos, at, refs)) return std::nullopt;
    const quint64 count = refs / 2;
    std::map<QString, QVariant> map;
    for (quint64 i = 0; i < count; ++i, at += refSize_) {
      const QString* key = keyString(at, depth, weight);
      if (!key) return std::nullopt;
      // Our writer emits keys in order, so the end is the right hint; a
      // repeated key keeps its last value.
      auto it = map.emplace_hint(map.end(), *key, QVariant());
      auto value = child(at + count * refSize_, depth, weight);
      if (!value) return std::nullopt;
      it->second = std::move(*value);
    }
    return QVariant(QVariantMap(std::move(map)));
  }

  static constexpr quint8 kInProgress = 0xFF;
  const uchar* data_;
  qsizetype size_;
  int offsetSize_ = 0, refSize_ = 0;
  quint64 count_ = 0, top_ = 0, tableOffset_ = 0, weightLimit_ = 0;
  LargeArray<quint8> referenced_;  // 0, 1 or 2 for "more than once"; kInProgress while decoding
  LargeArray<Extent> extents_;     // per object, while checking
  QHash<quint64, Shared> shared_;
  struct KeySlot {
    quint64 index = 0;  // object index + 1; 0 for an empty slot
    QString key;
  };
  KeySlot keys_[64];
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

std::optional<QVariant> decodeBinary(QByteArrayView bytes, QString* error) {
  BinaryReader reader(bytes);
  if (!reader.check(error)) return std::nullopt;
  return reader.decode(reader.top(), 0, error);
}

struct BinaryDictionary::Impl {
  explicit Impl(QByteArray data) : bytes(std::move(data)), reader(bytes) {}
  const QByteArray bytes;
  BinaryReader reader;  // reads `bytes`
  QHash<QString, quint64> entries;
};

BinaryDictionary::BinaryDictionary(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
BinaryDictionary::BinaryDictionary(BinaryDictionary&&) noexcept = default;
BinaryDictionary& BinaryDictionary::operator=(BinaryDictionary&&) noexcept = default;
BinaryDictionary::~BinaryDictionary() = default;

std::optional<BinaryDictionary> BinaryDictionary::open(QByteArray bytes, QString* error) {
  auto impl = std::make_unique<Impl>(std::move(bytes));
  BinaryReader& reader = impl->reader;
  if (!reader.check(error)) return std::nullopt;
  if ((reader.marker(reader.top()) >> 4) != 0xD) {
    if (error) *error = QStringLiteral("binary property list: the top level is not a dictionary");
    return std::nullopt;
  }
  const std::vector<quint64> refs = reader.references(reader.top());
  const size_t count = refs.size() / 2;
  impl->entries.reserve(qsizetype(count));
  for (size_t i = 0; i < count; ++i) {
    const auto key = reader.decode(refs[i], 1, error);
    if (!key) return std::nullopt;
    impl->entries.insert(key->toString(), refs[count + i]);  // a repeated key keeps its last value
  }
  return BinaryDictionary(std::move(impl));
}

const QHash<QString, quint64>& BinaryDictionary::entries() const { return impl_->entries; }

std::optional<QVariant> BinaryDictionary::value(quint64 ref, QString* error) {
  return impl_->reader.decode(ref, 1, error);
}

bool BinaryDictionary::visitRecords(quint64 ref, RecordVisitor& visitor) {
  return impl_->reader.records(ref, visitor);
}

bool looksBinary(QByteArrayView bytes) {
  return bytes.startsWith(QByteArrayView(kSignature, kSignatureSize));
}

}  // namespace plist
