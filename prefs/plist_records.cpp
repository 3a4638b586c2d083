#include "prefs/plist_records.h"

#include <QDateTime>
#include <QVariantMap>
#include <QtEndian>

namespace plist {

QString Scalar::text() const {
  switch (kind) {
    case Kind::Text:
      return QString(static_cast<const QChar*>(chars), size);
    case Kind::Latin1Text:
      return QString::fromLatin1(static_cast<const char*>(chars), size);
    case Kind::BigEndianText: {
      QString s(size, Qt::Uninitialized);
      qFromBigEndian<quint16>(chars, size, s.data());
      return s;
    }
    default:
      return {};
  }
}

QVariant Scalar::toVariant() const {
  switch (kind) {
    case Kind::Integer:
      return QVariant::fromValue(integer);
    case Kind::Real:
      return QVariant(real);
    case Kind::Float:
      return QVariant(single);
    case Kind::Bool:
      return QVariant(boolean);
    case Kind::Date:
      return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    case Kind::Text:
    case Kind::Latin1Text:
    case Kind::BigEndianText:
      return QVariant(text());
    case Kind::Other:
      return other ? *other : QVariant();
  }
  return {};
}

namespace {

// Builds the QVariantMap of each record it is shown.
class ListBuilder final : public RecordVisitor {
 public:
  void beginRecord() override { record_.clear(); }
  void entry(const QString& key, const Scalar& value) override { record_.insert(key, value.toVariant()); }
  void endRecord() override { list_.append(QVariant(std::move(record_))); }
  QVariantList list_;

 private:
  QVariantMap record_;
};

// The scalar form of a property-list value; containers and the rest stay QVariants.
Scalar scalarOf(const QVariant& value) {
  Scalar s;
  const void* data = value.constData();
  switch (value.userType()) {
    case QMetaType::LongLong:
      s.kind = Scalar::Kind::Integer;
      s.integer = *static_cast<const qint64*>(data);
      return s;
    case QMetaType::Double:
      s.kind = Scalar::Kind::Real;
      s.real = *static_cast<const double*>(data);
      return s;
    case QMetaType::Float:
      s.kind = Scalar::Kind::Float;
      s.single = *static_cast<const float*>(data);
      return s;
    case QMetaType::Bool:
      s.kind = Scalar::Kind::Bool;
      s.boolean = *static_cast<const bool*>(data);
      return s;
    case QMetaType::QDateTime:
      if (const QDateTime& date = *static_cast<const QDateTime*>(data); date.isValid()) {
        s.kind = Scalar::Kind::Date;
        s.msecs = date.toMSecsSinceEpoch();
        return s;
      }
      break;
    case QMetaType::QString: {
      const QString& text = *static_cast<const QString*>(data);
      s.kind = Scalar::Kind::Text;
      s.chars = text.constData();
      s.size = text.size();
      return s;
    }
    default:
      break;
  }
  s.kind = Scalar::Kind::Other;
  s.other = &value;
  return s;
}

}  // namespace

QVariantList RecordTable::toList() const {
  ListBuilder builder;
  builder.list_.reserve(count());
  for (qsizetype i = 0; i < count(); ++i) {
    builder.beginRecord();
    visit(i, builder);
    builder.endRecord();
  }
  return std::move(builder.list_);
}

QVariant recordTableValue(SharedRecordTable table) { return QVariant::fromValue(std::move(table)); }

const SharedRecordTable* sharedRecordTableOf(const QVariant& value) {
  if (value.userType() != qMetaTypeId<SharedRecordTable>()) return nullptr;
  return static_cast<const SharedRecordTable*>(value.constData());
}

const RecordTable* recordTableOf(const QVariant& value) {
  const SharedRecordTable* shared = sharedRecordTableOf(value);
  return shared ? shared->get() : nullptr;
}

QVariant materialized(const QVariant& value) {
  const RecordTable* table = recordTableOf(value);
  return table ? QVariant(table->toList()) : value;
}

bool visitRecords(const QVariant& list, RecordVisitor& visitor) {
  if (const RecordTable* table = recordTableOf(list)) {
    for (qsizetype i = 0; i < table->count(); ++i) {
      visitor.beginRecord();
      table->visit(i, visitor);
      visitor.endRecord();
    }
    return true;
  }
  if (list.userType() != QMetaType::QVariantList) return false;
  visitor.reserve(static_cast<const QVariantList*>(list.constData())->size(), 0);
  for (const QVariant& item : *static_cast<const QVariantList*>(list.constData())) {
    if (item.userType() != QMetaType::QVariantMap) continue;
    const QVariantMap& record = *static_cast<const QVariantMap*>(item.constData());
    visitor.beginRecord();
    for (auto it = record.cbegin(); it != record.cend(); ++it) visitor.entry(it.key(), scalarOf(it.value()));
    visitor.endRecord();
  }
  return true;
}

}  // namespace plist
