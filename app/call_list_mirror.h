// A copy of the call list kept for the background writer, so that storing
// never makes the window copy the list.
//
// Handing the writer the table's list itself would share it: the next edit
// in the window would then copy the whole list (a million records take
// 40-140 ms to copy) before changing one record. Instead the mirror is told
// of a new list once (launch, import) and of each changed record afterwards;
// everything that copies or builds the whole list runs on the writer's
// threads.
#pragma once

#include <QList>
#include <QPair>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>

#include "app/call_list_io.h"

class CallListMirror {
 public:
  // From the window's thread; each call costs a few reference counts.
  // A whole new list. The mirror stops sharing it soon, on its own thread.
  void replace(const CallList& records);
  // One record changed in place.
  void update(int row, const QVariantMap& record);

  // The stored form of the list as last told (see storedFromCallList). Safe
  // on any thread; the work happens on the caller's.
  [[nodiscard]] std::optional<QVariant> storedForm();

  // Stops sharing a list given to replace() right away, on a short-lived
  // thread of its own, so that the window's next edit does not copy it.
  static void adoptSoon(const std::shared_ptr<CallListMirror>& mirror);

 private:
  void catchUp();

  std::mutex incomingMutex_;  // held only for moments, by the window's thread too
  std::optional<CallList> incoming_;
  QList<QPair<int, QVariantMap>> changes_;

  std::mutex mirrorMutex_;  // never taken by the window's thread
  CallList mirror_;
  std::optional<QVariant> stored_;  // the stored form of mirror_, while unchanged
};
