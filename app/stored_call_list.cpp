#include "app/stored_call_list.h"

CallList callListFromStored(const std::optional<QVariant>& stored) {
  CallList records;
  if (!stored) return records;
  const QVariantList list = stored->toList();
  records.reserve(list.size());
  for (const QVariant& item : list)
    if (item.typeId() == QMetaType::QVariantMap) records.append(item.toMap());
  return records;
}

QVariantList storedFromCallList(const CallList& records) {
  QVariantList list;
  list.reserve(records.size());
  for (const QVariantMap& record : records) list.append(record);
  return list;
}
