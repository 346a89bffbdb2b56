// What a handle stands for: one session, or a pool of sessions that runs
// the entries of a batch at the same time.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ql_client/core/session.h"
#include "ql_client/core/worker.h"

namespace ql {

class Connection {
 public:
  // Opens `sessions` (1 or more) sessions with `open_one`; null with
  // `failure` set when any of them does not open. With `servers` (host,
  // port), session i opens on servers[i % size] instead of the settings'.
  static std::unique_ptr<Connection> open(const OpenSettings& settings, int32_t sessions,
                                          SessionOpener open_one, Failure* failure,
                                          const std::vector<std::pair<std::string, std::string>>& servers = {});

  const OpenSettings& settings() const { return settings_; }
  // For the calls that follow, and for ql_async_start.
  void set_exact(bool on) { settings_.limits.exact = on; }

  // Runs one statement on session 0.
  Outcome run(const Request& request);
  // Session 0's transaction block and engine settings (Session).
  bool in_transaction(Failure* failure) { return sessions_[0]->in_transaction(failure); }
  bool transaction_failed() { return sessions_[0]->transaction_failed(); }
  std::optional<std::string> parameter_status(const std::string& name, Failure* failure) {
    return sessions_[0]->parameter_status(name, failure);
  }

  // Runs the batch: request i on session i mod sessions, each session's
  // requests in order, the sessions at the same time. Returns when all are
  // done, outcome i for request i.
  void run_batch(std::span<const Request> requests, std::span<Outcome> outcomes);

  // Starts the non-blocking runner of a single session (ql_async_start);
  // false with `failure` set for a pool or an engine without one.
  bool start_async(int32_t window, Failure* failure);
  // The runner, null before start_async.
  AsyncRunner* async() const { return async_.get(); }

  // Stops the statement each session runs now, and what the running call
  // has not started yet; the stopped statements fail with the engine's
  // message. Safe from any thread while another thread runs a call.
  void cancel();

  // The session that runs entry `entry` of a batch of `count`.
  int32_t session_of(size_t entry, size_t count) const {
    return static_cast<int32_t>(entry % std::min(sessions_.size(), count));
  }

  // What the C functions keep between calls on this handle: the outcomes
  // of the last call that ran statements (timings and errors only), the
  // due times for the next one, and the COPY streams. Used by one thread
  // at a time, as the handle is.
  struct EntryRecord {
    int64_t started_ns = 0;
    int64_t finished_ns = 0;
    int32_t session = 0;
    Failure failure;
  };
  std::vector<EntryRecord> last_entries;
  std::vector<int64_t> next_due_ns;
  // Where the COPY data of ql_run and ql_do comes from and goes to.
  CopyStreams copy_streams;

 private:
  Connection() = default;

  OpenSettings settings_;
  std::vector<std::unique_ptr<Session>> sessions_;
  // workers_[i] runs session i + 1; session 0 runs on the calling thread.
  std::vector<std::unique_ptr<Worker>> workers_;
  // Declared after the sessions, so that it ends before its session does.
  std::unique_ptr<AsyncRunner> async_;

  // Before a blocking call: false, with `outcome` failed, while statements
  // of the runner are on their way; otherwise the session is made ready.
  bool ready_to_block(Outcome* outcome);
};

}  // namespace ql
