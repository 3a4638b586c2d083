#include "prefs/archived_value.h"

#include <QCborArray>
#include <QCborMap>
#include <QCborStreamReader>
#include <QCborValue>
#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>
#include <limits>

#include "prefs/plist_value.h"

namespace archive {

namespace {

// Tags of our own, in the range open to anyone ("TI" followed by a letter).
constexpr QCborTag kArchiveTag{0x54495252};  // the whole archive, version 1
constexpr QCborTag kFloatTag{0x54490046};    // single precision, as a double
constexpr QCborTag kDateTag{0x5449004D};     // milliseconds since the Unix epoch, UTC
constexpr QCborTag kUtf16Tag{0x54490055};    // a string with unpaired surrogates, UTF-16LE
constexpr QCborTag kSelfDescribeTag{55799};

QCborValue encodeString(const QString& s) {
  if (QStringView(s).isValidUtf16()) return QCborValue(s);
  QByteArray units(s.size() * 2, Qt::Uninitialized);
  qToLittleEndian<quint16>(s.utf16(), s.size(), units.data());
  return QCborValue(kUtf16Tag, units);
}

std::optional<QCborValue> encode(const QVariant& v, int depth, QString* error) {
  if (depth > plist::kMaxDepth) {
    if (error) *error = QStringLiteral("nesting deeper than %1").arg(plist::kMaxDepth);
    return std::nullopt;
  }
  switch (v.userType()) {
    case QMetaType::Nullptr:
      return QCborValue(nullptr);
    case QMetaType::Bool:
      return QCborValue(v.toBool());
    case QMetaType::LongLong:
      return QCborValue(v.toLongLong());
    case QMetaType::Double:
      return QCborValue(v.toDouble());
    case QMetaType::Float:
      return QCborValue(kFloatTag, QCborValue(double(v.toFloat())));
    case QMetaType::QString:
      return encodeString(v.toString());
    case QMetaType::QByteArray:
      return QCborValue(v.toByteArray());
    case QMetaType::QDateTime:
      return QCborValue(kDateTag, QCborValue(v.toDateTime().toMSecsSinceEpoch()));
    case QMetaType::ULongLong: {
      const quint64 u = v.toULongLong();
      if (u <= quint64(std::numeric_limits<qint64>::max())) return QCborValue(qint64(u));
      QByteArray bytes(8, Qt::Uninitialized);
      qToBigEndian(u, bytes.data());
      return QCborValue(QCborKnownTags::PositiveBignum, bytes);
    }
    case QMetaType::QVariantList: {
      QCborArray array;
      for (const QVariant& item : v.toList()) {
        auto encoded = encode(item, depth + 1, error);
        if (!encoded) return std::nullopt;
        array.append(std::move(*encoded));
      }
      return QCborValue(std::move(array));
    }
    case QMetaType::QVariantMap: {
      QCborMap map;
      const QVariantMap source = v.toMap();
      for (auto it = source.cbegin(); it != source.cend(); ++it) {
        auto encoded = encode(it.value(), depth + 1, error);
        if (!encoded) return std::nullopt;
        map.insert(encodeString(it.key()), std::move(*encoded));
      }
      return QCborValue(std::move(map));
    }
    default: {
      // Other integer kinds, string lists, hashes: archive their canonical form.
      const auto canonical = plist::normalized(v, depth);
      if (canonical && canonical->userType() != v.userType()) return encode(*canonical, depth, error);
      if (error)
        *error = QStringLiteral("cannot archive a value of type %1")
                     .arg(QLatin1String(v.typeName() ? v.typeName() : "invalid"));
      return std::nullopt;
    }
  }
}

class Decoder {
 public:
  std::optional<QVariant> decode(const QCborValue& v, int depth) {
    if (depth > plist::kMaxDepth)
      return failed(QStringLiteral("nesting deeper than %1").arg(plist::kMaxDepth));
    switch (v.type()) {
      case QCborValue::Null:
        return QVariant::fromValue(nullptr);
      case QCborValue::False:
      case QCborValue::True:
        return QVariant(v.isTrue());
      case QCborValue::Integer:
        return QVariant::fromValue(qint64(v.toInteger()));
      case QCborValue::Double:
        return QVariant(v.toDouble());
      case QCborValue::String:
        return QVariant(v.toString());
      case QCborValue::ByteArray:
        return QVariant(v.toByteArray());
      case QCborValue::Array: {
        const QCborArray array = v.toArray();
        QVariantList list;
        list.reserve(array.size());
        for (const QCborValue& item : array) {
          auto decoded = decode(item, depth + 1);
          if (!decoded) return std::nullopt;
          list.append(std::move(*decoded));
        }
        return QVariant(std::move(list));
      }
      case QCborValue::Map: {
        const QCborMap source = v.toMap();
        QVariantMap map;
        for (auto it = source.cbegin(); it != source.cend(); ++it) {
          auto key = decode(it.key(), depth + 1);
          if (!key || key->userType() != QMetaType::QString)
            return failed(QStringLiteral("map key is not a string"));
          auto decoded = decode(it.value(), depth + 1);
          if (!decoded) return std::nullopt;
          map.insert(key->toString(), std::move(*decoded));
        }
        return QVariant(std::move(map));
      }
      default:
        if (v.isTag()) return tagged(v.tag(), v.taggedValue());
        return failed(QStringLiteral("unsupported item of CBOR type %1").arg(int(v.type())));
    }
  }

  QString error;

 private:
  std::optional<QVariant> failed(const QString& why) {
    if (error.isEmpty()) error = why;
    return std::nullopt;
  }

  std::optional<QVariant> tagged(QCborTag tag, const QCborValue& content) {
    if (tag == kFloatTag && content.isDouble()) return QVariant(float(content.toDouble()));
    if (tag == kDateTag && content.isInteger()) {
      const QDateTime dt = QDateTime::fromMSecsSinceEpoch(content.toInteger(), Qt::UTC);
      if (dt.isValid()) return QVariant(dt);
    }
    if (tag == kUtf16Tag && content.isByteArray() && content.toByteArray().size() % 2 == 0) {
      const QByteArray bytes = content.toByteArray();
      QString s(bytes.size() / 2, Qt::Uninitialized);
      qFromLittleEndian<quint16>(bytes.constData(), s.size(), s.data());
      return QVariant(s);
    }
    if (tag == QCborTag(QCborKnownTags::PositiveBignum) && content.isByteArray() &&
        content.toByteArray().size() <= 8) {
      quint64 u = 0;
      for (char c : content.toByteArray()) u = u << 8 | uchar(c);
      return u <= quint64(std::numeric_limits<qint64>::max()) ? QVariant::fromValue(qint64(u))
                                                              : QVariant::fromValue(u);
    }
    return failed(QStringLiteral("unsupported or malformed CBOR tag %1").arg(quint64(tag)));
  }
};

}  // namespace

std::optional<QByteArray> archive(const QVariant& value, QString* error) {
  auto encoded = encode(value, 0, error);
  if (!encoded) return std::nullopt;
  return QCborValue(kSelfDescribeTag, QCborValue(kArchiveTag, *encoded)).toCbor();
}

std::optional<QVariant> unarchive(QByteArrayView data, QString* error) {
  auto fail = [error](const QString& why) -> std::optional<QVariant> {
    if (error) *error = why;
    return std::nullopt;
  };
  QCborStreamReader reader(data.data(), data.size());
  // Look at the two leading tags before building anything from arbitrary data.
  if (!reader.isTag() || reader.toTag() != kSelfDescribeTag)
    return fail(QStringLiteral("data is not an archived value"));
  const QCborValue whole = QCborValue::fromCbor(reader);
  if (reader.lastError() != QCborError::NoError)
    return fail(QStringLiteral("archived value is damaged: ") + reader.lastError().toString());
  if (reader.currentOffset() != data.size()) return fail(QStringLiteral("archived value has trailing bytes"));
  const QCborValue inner = whole.taggedValue();
  if (!inner.isTag() || inner.tag() != kArchiveTag)
    return fail(QStringLiteral("data is not an archived value"));
  Decoder decoder;
  auto result = decoder.decode(inner.taggedValue(), 0);
  if (!result) return fail(QStringLiteral("archived value is damaged: ") + decoder.error);
  return result;
}

}  // namespace archive
