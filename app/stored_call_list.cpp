#include "app/stored_call_list.h"

#include "prefs/plist_records.h"
#include "prefs/user_defaults.h"

std::optional<CallList> readStoredCallList(const QString& key) {
  CallListReader reader;
  if (!Tirr_UserDefaults::visitRecordsDefault(key, reader)) return std::nullopt;
  return reader.finish();
}

CallList callListFromStored(const std::optional<QVariant>& stored) {
  CallListReader reader;
  if (stored) plist::visitRecords(*stored, reader);
  return reader.finish();
}

QVariant storedFromCallList(const CallList& records) {
  return plist::recordTableValue(records.storedTable());
}
