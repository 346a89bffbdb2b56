// One session on an engine, the interface both engines implement, and the
// settings every session is opened with.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "ql_client/core/async_runner.h"
#include "ql_client/core/failure.h"
#include "ql_client/core/outcome.h"
#include "ql_client/core/text.h"
#include "ql_client/ql_client.h"

namespace ql {

// Where the notices an engine sends beside its results go (PostgreSQL
// NOTICE, WARNING and the like). Shared by the sessions of one handle,
// which may deliver from several threads at once.
class NoticeSink {
 public:
  using Handler = void (*)(const char* text, void* context);

  // `handler` null drops the notices, as a new sink does.
  void set(Handler handler, void* context);
  // Delivers one notice, without its final newline.
  void deliver(const char* text);

 private:
  std::mutex mutex_;
  Handler handler_ = nullptr;
  void* context_ = nullptr;
};

// Writes `text` and a newline to standard error (ql_notice_to_stderr).
void write_notice_line(const char* text);

struct OpenSettings {
  std::string host;
  std::string port;
  std::string database;  // empty: the engine's default
  std::string user;
  std::string password;  // empty: none
  bool read_only = false;
  Limits limits;
  bool utf8 = false;  // the program's texts are UTF-8 (code page 1), else Latin-1
  std::shared_ptr<NoticeSink> notices = std::make_shared<NoticeSink>();
};

// Where a COPY statement's data comes from and goes to (PostgreSQL only).
struct CopyStreams {
  ql_copy_source source = nullptr;  // what "FROM STDIN" sends; null refuses to send
  void* source_context = nullptr;
  ql_copy_sink sink = nullptr;  // what "TO STDOUT" receives; null drops it
  void* sink_context = nullptr;
};

// One statement to run. A query keeps its first page within `limits`; any
// other statement only counts the rows it affected, unless `rows_if_any`
// asks to keep the rows of an answer that has them (without stopping the
// engine at the answers limit). `copy` says where COPY data comes from and
// goes to; null refuses to send any and drops what comes.
struct Request {
  StatementText statement;
  bool query = false;
  Limits limits;
  bool rows_if_any = false;
  const CopyStreams* copy = nullptr;

  bool keeps_rows() const { return query || rows_if_any; }
  int64_t due_ns = 0;  // not started before this monotonic_ns() time; 0: at once
};

// A session runs one statement at a time. It is used by one thread at a
// time; different sessions may run on different threads at once.
class Session {
 public:
  virtual ~Session() = default;
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  virtual Outcome run(const Request& request) = 0;

  // Whether a transaction block is open, between statements; false with
  // `failure` set when the connection is lost.
  virtual bool in_transaction(Failure* failure) = 0;
  // Whether the open block has failed and takes nothing but its end
  // (PostgreSQL); asked after in_transaction said a block is open.
  virtual bool transaction_failed() { return false; }
  // The value the engine reports for the setting `name` (in the session's
  // encoding); none when it reports no such setting, or when the
  // connection is lost (then with `failure` set).
  virtual std::optional<std::string> parameter_status(const std::string& name, Failure* failure) = 0;

  // Runs one request at its due time and stamps its outcome.
  Outcome run_timed(const Request& request) {
    sleep_until_ns(request.due_ns);
    int64_t started = monotonic_ns();
    Outcome outcome = run(request);
    outcome.stamp(started, monotonic_ns());
    return outcome;
  }

  // Runs the requests in order, outcome i for request i, each at its due
  // time and stamped; a request whose outcome has already failed (a null
  // text) is skipped, and so is every request after a cancel. Engines that
  // can overlap the statements of one session (PostgreSQL pipelining)
  // override it, for batches without due times.
  virtual void run_in_order(std::span<const Request* const> requests, std::span<Outcome* const> outcomes) {
    for (size_t i = 0; i < requests.size(); ++i) {
      if (outcomes[i]->failed()) continue;
      if (canceled()) {
        outcomes[i]->fail(canceled_before_start());
      } else {
        *outcomes[i] = run_timed(*requests[i]);
      }
    }
  }

  // A runner of statements that does not block the caller, keeping up to
  // `window` of them on their way, each with `limits` (ql_async_start);
  // null with `failure` set for an engine that runs statements in the
  // caller's thread.
  virtual std::unique_ptr<AsyncRunner> start_async(int32_t /*window*/, Limits /*limits*/, Failure* failure) {
    *failure = ql::failure(QL_ERR_ARGUMENT, "this engine runs statements in the caller's thread only");
    return nullptr;
  }

  // Stops what the session runs now and the statements of the same call
  // that have not started. Safe from any thread while another runs a
  // statement on the session.
  void cancel() {
    canceled_.store(true, std::memory_order_release);
    interrupt();
  }
  // Forgets an earlier cancel; called as each library call begins.
  void clear_cancel() { canceled_.store(false, std::memory_order_relaxed); }
  bool canceled() const { return canceled_.load(std::memory_order_acquire); }

 protected:
  // Asks the engine to stop the running statement (thread-safe).
  virtual void interrupt() = 0;
  static Failure canceled_before_start() { return failure(QL_ERR_ENGINE, "canceled before it ran"); }

 private:
  std::atomic<bool> canceled_{false};
};

// Opens one session on an engine; on failure returns null and sets
// `failure`. The engines provide it (ql_client/engines.h); the core only
// calls what it is given, so that it names no engine.
using SessionOpener = std::unique_ptr<Session> (*)(const OpenSettings& settings, Failure* failure);

}  // namespace ql
