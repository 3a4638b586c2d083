// The call list as the background writer sees it: the window's newest list,
// shared.
//
// Lists share their records chunk by chunk, so holding the window's list here
// costs nothing, and the window's next edit copies only the chunk it changes.
// The writer takes the stored form of whatever list was told last, on its own
// thread, when it writes.
#pragma once

#include <QVariant>
#include <mutex>
#include <optional>

#include "app/call_list_io.h"

class CallListMirror {
 public:
  // From the window's thread, after every change; costs a reference count.
  void replace(const CallList& records);

  // The stored form of the list as last told (see storedFromCallList), the
  // same value while the list is unchanged. Safe on any thread.
  [[nodiscard]] std::optional<QVariant> storedForm();

 private:
  std::mutex mutex_;  // held only for moments, by the window's thread too
  CallList latest_;
  std::optional<QVariant> stored_;  // the stored form of latest_, once asked for
};
