// One worker thread for writing files, so that encoding and syncing a large
// preferences domain never holds up the event loop.
//
// At most one write runs at a time. A write submitted for a file that already
// has one waiting replaces it: only the newest contents of a file matter.
// Writes of different files run in the order they were first submitted.
#pragma once

#include <QSet>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class BackgroundWriter {
 public:
  // Runs on the worker: writes one file, answering the reason when it failed.
  using Write = std::function<std::optional<QString>()>;
  // Runs on the worker after each write: the file, and the reason it failed.
  using Finished = std::function<void(const QString& path, const std::optional<QString>& error)>;

  explicit BackgroundWriter(Finished finished = {});
  // Finishes the running and the waiting writes, then stops the thread.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Queues `write` for the file `path`, replacing a write of the same file
  // that has not started yet.
  void submit(const QString& path, Write write);

  // Blocks until nothing runs or waits. Answers whether the last write of
  // every file written so far succeeded.
  [[nodiscard]] bool waitForIdle();

 private:
  struct Job {
    QString path;
    Write write;
  };
  void run();

  Finished finished_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> waiting_;
  // Writes replaced before they started. They may hold the last reference to
  // a large snapshot, so the worker releases them, not the submitting thread.
  std::vector<Write> replaced_;
  QSet<QString> failing_;  // files whose last write failed
  bool running_ = false;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above exists
};
