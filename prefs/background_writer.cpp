#include "prefs/background_writer.h"

#include <algorithm>

BackgroundWriter::BackgroundWriter(Finished finished)
    : finished_(std::move(finished)), thread_([this] { run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void BackgroundWriter::submit(const QString& path, Write write) {
  {
    std::lock_guard lock(mutex_);
    const auto same =
        std::find_if(waiting_.begin(), waiting_.end(), [&](const Job& job) { return job.path == path; });
    if (same != waiting_.end()) {
      replaced_.push_back(std::move(same->write));
      same->write = std::move(write);
    } else
      waiting_.push_back(Job{path, std::move(write)});
  }
  wake_.notify_one();
}

bool BackgroundWriter::waitForIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return waiting_.empty() && !running_; });
  return failing_.isEmpty();
}

void BackgroundWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (waiting_.empty()) return;  // stopping, and everything is written
    Job job = std::move(waiting_.front());
    waiting_.pop_front();
    std::vector<Write> replaced = std::move(replaced_);
    replaced_.clear();
    running_ = true;
    lock.unlock();

    replaced.clear();
    const std::optional<QString> error = job.write();
    job.write = {};  // the snapshot it held is released here, outside the lock
    if (finished_) finished_(job.path, error);

    lock.lock();
    if (error)
      failing_.insert(job.path);
    else
      failing_.remove(job.path);
    running_ = false;
    if (waiting_.empty()) idle_.notify_all();
  }
}
