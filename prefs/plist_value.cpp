#include "prefs/plist_value.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <cstring>
#include <limits>

namespace plist {

namespace {

std::optional<QVariant> normalizedList(const QVariantList& list, int depth) {
  QVariantList out;
  out.reserve(list.size());
  for (const QVariant& item : list) {
    auto v = normalized(item, depth + 1);
    if (!v) return std::nullopt;
    out.append(std::move(*v));
  }
  return QVariant(std::move(out));
}

template <typename Map>
std::optional<QVariant> normalizedMap(const Map& map, int depth) {
  QVariantMap out;
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    auto v = normalized(it.value(), depth + 1);
    if (!v) return std::nullopt;
    out.insert(it.key(), std::move(*v));
  }
  return QVariant(std::move(out));
}

// Whether `value` already holds only canonical kinds, so that normalizing it
// can share it instead of copying every container.
bool isCanonical(const QVariant& value, int depth) {
  if (depth > kMaxDepth) return false;
  switch (value.userType()) {
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
    case QMetaType::QString:
    case QMetaType::QByteArray:
      return true;
    case QMetaType::ULongLong:
      return *static_cast<const quint64*>(value.constData()) > quint64(std::numeric_limits<qint64>::max());
    case QMetaType::QDateTime: {
      const QDateTime& dt = *static_cast<const QDateTime*>(value.constData());
      return dt.isValid() && dt.timeSpec() == Qt::UTC;
    }
    case QMetaType::QVariantList:
      for (const QVariant& item : *static_cast<const QVariantList*>(value.constData()))
        if (!isCanonical(item, depth + 1)) return false;
      return true;
    case QMetaType::QVariantMap:
      for (const QVariant& item : *static_cast<const QVariantMap*>(value.constData()))
        if (!isCanonical(item, depth + 1)) return false;
      return true;
    default:
      return false;
  }
}

}  // namespace

std::optional<QVariant> normalized(const QVariant& value, int depth) {
  if (isCanonical(value, depth)) return value;
  if (depth > kMaxDepth) return std::nullopt;
  switch (value.userType()) {
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
    case QMetaType::QString:
    case QMetaType::QByteArray:
      return value;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::UChar:
      return QVariant::fromValue(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
      const quint64 u = value.toULongLong();
      if (u <= quint64(std::numeric_limits<qint64>::max())) return QVariant::fromValue(qint64(u));
      return QVariant::fromValue(u);
    }
    case QMetaType::QDateTime: {
      const QDateTime dt = value.toDateTime();
      if (!dt.isValid()) return std::nullopt;
      return QVariant(dt.toUTC());
    }
    case QMetaType::QStringList: {
      const QStringList strings = value.toStringList();
      return normalizedList(QVariantList(strings.cbegin(), strings.cend()), depth);
    }
    case QMetaType::QVariantList:
      return normalizedList(value.toList(), depth);
    case QMetaType::QVariantMap:
      return normalizedMap(value.toMap(), depth);
    case QMetaType::QVariantHash:
      return normalizedMap(value.toHash(), depth);
    default:
      return std::nullopt;
  }
}

bool sameValue(const QVariant& a, const QVariant& b) {
  if (a.userType() != b.userType()) return false;
  switch (a.userType()) {
    case QMetaType::Double: {
      const double x = a.toDouble(), y = b.toDouble();
      return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
    }
    case QMetaType::Float: {
      const float x = a.toFloat(), y = b.toFloat();
      return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
    }
    case QMetaType::QDateTime:
      return a.toDateTime().toMSecsSinceEpoch() == b.toDateTime().toMSecsSinceEpoch();
    case QMetaType::QVariantList: {
      const QVariantList& x = *static_cast<const QVariantList*>(a.constData());
      const QVariantList& y = *static_cast<const QVariantList*>(b.constData());
      if (x.size() != y.size()) return false;
      for (qsizetype i = 0; i < x.size(); ++i)
        if (!sameValue(x[i], y[i])) return false;
      return true;
    }
    case QMetaType::QVariantMap: {
      const QVariantMap& x = *static_cast<const QVariantMap*>(a.constData());
      const QVariantMap& y = *static_cast<const QVariantMap*>(b.constData());
      if (x.size() != y.size()) return false;
      for (auto i = x.cbegin(), j = y.cbegin(); i != x.cend(); ++i, ++j)
        if (i.key() != j.key() || !sameValue(i.value(), j.value())) return false;
      return true;
    }
    default:
      return a == b;
  }
}

}  // namespace plist
