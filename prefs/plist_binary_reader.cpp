// Decoding binary property lists (see plist_binary_format.h for the layout).
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

#include "prefs/plist_binary.h"
#include "prefs/plist_binary_format.h"
#include "prefs/plist_records.h"
#include "prefs/plist_value.h"
#include "text/large_array.h"

namespace plist {

using namespace bplist;

namespace {

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

  quint64 bigEndian(quint64 pos, int size) const { return readBigEndian(data_ + pos, size); }

  bool readTrailer() {
    if (size_ < kSignatureSize + kTrailerSize || std::memcmp(data_, kSignature, kSignatureSize) != 0)
      return fail(QStringLiteral("too short or wrong signature"));
    const quint64 t = quint64(size_ - kTrailerSize);
    const Trailer trailer = Trailer::read(data_ + t);
    offsetSize_ = trailer.offsetSize;
    refSize_ = trailer.refSize;
    count_ = trailer.objects;
    top_ = trailer.top;
    tableOffset_ = trailer.offsetTable;
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
