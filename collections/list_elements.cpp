#include "collections/list_elements.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <cstring>

namespace {

using Int128 = __int128;

enum class Kind { Absent, Boolean, Integer, Floating, String, Other };

Kind kindOf(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
      return Kind::Absent;
    case QMetaType::Bool:
      return Kind::Boolean;
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return Kind::Integer;
    case QMetaType::Float:
    case QMetaType::Double:
      return Kind::Floating;
    case QMetaType::QString:
      return Kind::String;
    default:
      return Kind::Other;
  }
}

bool isNumber(Kind kind) { return kind == Kind::Integer || kind == Kind::Floating; }

// Rank of a kind in the total order; integers and floats share one.
int rankOf(Kind kind) { return kind == Kind::Floating ? int(Kind::Integer) : int(kind); }

// Every integer kind fits in 128 bits, signed and unsigned 64-bit alike.
Int128 integerOf(const QVariant& v) {
  const bool isUnsigned = v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong ||
                          v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::UShort ||
                          v.typeId() == QMetaType::UChar;
  return isUnsigned ? Int128(v.toULongLong()) : Int128(v.toLongLong());
}

int sign(Int128 a, Int128 b) { return (a > b) - (a < b); }

// Orders an integer against a double exactly; NaN after every number.
int compareIntegerToDouble(Int128 i, double d) {
  if (std::isnan(d) || d >= 0x1p64) return -1;
  if (d < -0x1p64) return 1;
  const double whole = std::floor(d);  // |whole| <= 2^64: exact in Int128
  const Int128 w = Int128(whole);
  if (i != w) return sign(i, w);
  return whole == d ? 0 : -1;
}

int compareDoubles(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) - std::isnan(b);
  return (a > b) - (a < b);
}

int compareNumbers(const QVariant& a, Kind ka, const QVariant& b, Kind kb) {
  if (ka == Kind::Integer && kb == Kind::Integer) return sign(integerOf(a), integerOf(b));
  if (ka == Kind::Integer) return compareIntegerToDouble(integerOf(a), b.toDouble());
  if (kb == Kind::Integer) return -compareIntegerToDouble(integerOf(b), a.toDouble());
  return compareDoubles(a.toDouble(), b.toDouble());
}

int typeRank(const QVariant& v) {
  const Kind k = kindOf(v);
  return k == Kind::Other ? int(Kind::Other) + v.typeId() : rankOf(k);
}

template <typename List>
bool sameLists(const List& a, const List& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i)
    if (!sameListElement(a[i], b[i])) return false;
  return true;
}

bool sameMaps(const QVariantMap& a, const QVariantMap& b) {
  if (a.size() != b.size()) return false;
  for (auto x = a.cbegin(), y = b.cbegin(); x != a.cend(); ++x, ++y)
    if (x.key() != y.key() || !sameListElement(x.value(), y.value())) return false;
  return true;
}

}  // namespace

bool sameListElement(const QVariant& a, const QVariant& b) {
  const Kind ka = kindOf(a);
  const Kind kb = kindOf(b);
  if (isNumber(ka) && isNumber(kb)) return compareNumbers(a, ka, b, kb) == 0;
  if (ka != kb || a.typeId() != b.typeId()) return false;
  switch (ka) {
    case Kind::Absent:
      return true;
    case Kind::Boolean:
      return a.toBool() == b.toBool();
    case Kind::String:
      return *heldString(&a) == *heldString(&b);
    default:
      break;
  }
  switch (a.typeId()) {
    case QMetaType::QVariantList:
      return sameLists(a.toList(), b.toList());
    case QMetaType::QVariantMap:
      return sameMaps(a.toMap(), b.toMap());
    default:
      return a == b;  // same type: the type's own equality
  }
}

size_t listElementHash(const QVariant& element, size_t seed) {
  const Kind kind = kindOf(element);
  switch (kind) {
    case Kind::Absent:
      return qHash(0, seed);
    case Kind::Boolean:
      return qHash(element.toBool(), seed);
    case Kind::String:
      return qHash(*heldString(&element), seed);
    case Kind::Integer:
    case Kind::Floating: {
      // Equal numbers hash alike whatever their kind: whole values by the
      // integer, others by the double's bits.
      const double d = element.toDouble();
      if (kind == Kind::Floating && (std::isnan(d) || std::floor(d) != d || std::abs(d) >= 0x1p64))
        return std::isnan(d) ? qHash(1, seed) : qHash(d, seed);
      const Int128 i = kind == Kind::Integer ? integerOf(element) : Int128(d);
      return qHashMulti(seed, quint64(i), quint64(i >> 64));
    }
    case Kind::Other:
      break;
  }
  switch (element.typeId()) {
    case QMetaType::QVariantList: {
      size_t h = seed;
      for (const QVariant& item : element.toList()) h = listElementHash(item, h);
      return h;
    }
    case QMetaType::QVariantMap: {
      const QVariantMap map = element.toMap();
      size_t h = seed;
      for (auto it = map.cbegin(); it != map.cend(); ++it)
        h = listElementHash(it.value(), qHash(it.key(), h));
      return h;
    }
    case QMetaType::QStringList:
      return qHash(element.toStringList(), seed);
    case QMetaType::QByteArray:
      return qHash(element.toByteArray(), seed);
    case QMetaType::QDateTime:
      return qHash(element.toDateTime(), seed);
    default:
      return qHash(element.typeId(), seed);  // equal values share a type
  }
}

int compareListElements(const QVariant& a, const QVariant& b) {
  const int ra = typeRank(a);
  const int rb = typeRank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  const Kind kind = kindOf(a);
  switch (kind) {
    case Kind::Absent:
      return 0;
    case Kind::Boolean:
      return int(a.toBool()) - int(b.toBool());
    case Kind::Integer:
    case Kind::Floating:
      return compareNumbers(a, kind, b, kindOf(b));
    case Kind::String: {
      const int c = heldString(&a)->compare(*heldString(&b));
      return (c > 0) - (c < 0);
    }
    case Kind::Other:
      break;
  }
  const QPartialOrdering order = QVariant::compare(a, b);
  if (order == QPartialOrdering::Less) return -1;
  if (order == QPartialOrdering::Greater) return 1;
  return 0;
}
