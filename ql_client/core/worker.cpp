#include "ql_client/core/worker.h"

namespace ql {

Worker::Worker() : thread_([this] { loop(); }) {}

Worker::~Worker() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void Worker::start(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    job_ = std::move(job);
    busy_ = true;
  }
  changed_.notify_all();
}

void Worker::wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
}

void Worker::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stopping_; });
    if (stopping_) return;
    std::function<void()> job = std::move(job_);
    lock.unlock();
    job();
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace ql
