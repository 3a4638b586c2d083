#include "app/call_list_mirror.h"

#include "app/stored_call_list.h"

void CallListMirror::replace(const CallList& records) {
  // What was held is let go outside the lock: when it is the last copy of an
  // old list, freeing it takes a moment.
  CallList list = records;
  std::optional<QVariant> stored;
  std::lock_guard lock(mutex_);
  std::swap(latest_, list);
  std::swap(stored_, stored);
}

std::optional<QVariant> CallListMirror::storedForm() {
  std::lock_guard lock(mutex_);
  if (!stored_) stored_ = storedFromCallList(latest_);
  return stored_;
}
