#include "app/call_list_mirror.h"

#include <thread>

#include "app/stored_call_list.h"

void CallListMirror::replace(const CallList& records) {
  std::lock_guard lock(incomingMutex_);
  incoming_ = records;
  changes_.clear();
}

void CallListMirror::update(int row, const QVariantMap& record) {
  std::lock_guard lock(incomingMutex_);
  changes_.append({row, record});
}

void CallListMirror::catchUp() {
  std::optional<CallList> incoming;
  QList<QPair<int, QVariantMap>> changes;
  {
    std::lock_guard lock(incomingMutex_);
    incoming.swap(incoming_);
    changes.swap(changes_);
  }
  if (!incoming && changes.isEmpty()) return;
  stored_.reset();
  if (incoming) {
    // A copy of the records: the window's list is ours no more once
    // `incoming` goes.
    mirror_ = *incoming;
    mirror_.detach();
    incoming.reset();
  }
  for (const auto& [row, record] : changes)
    if (row >= 0 && row < mirror_.size()) mirror_.setRecord(row, record);
}

std::optional<QVariant> CallListMirror::storedForm() {
  std::lock_guard lock(mirrorMutex_);
  catchUp();
  if (!stored_) stored_ = storedFromCallList(mirror_);
  return stored_;
}

void CallListMirror::adoptSoon(const std::shared_ptr<CallListMirror>& mirror) {
  std::thread([mirror] {
    std::lock_guard lock(mirror->mirrorMutex_);
    mirror->catchUp();
  }).detach();
}
