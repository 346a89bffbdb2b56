// A thread that runs one job at a time for a pool session, so that a batch
// does not pay for starting threads.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ql {

class Worker {
 public:
  Worker();
  ~Worker();  // waits for the running job, then ends the thread
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // Starts `job` on the worker thread. REQUIRES: no job is running.
  void start(std::function<void()> job);
  // Waits until the job started last is done.
  void wait();

 private:
  void loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace ql
