// Turns the messages of a PostgreSQL server log into the statements that
// its sessions ran, for a captured replay log.
//
// Statements come from log_statement ("statement: ...", "execute NAME:
// ..." with its "parameters: ..." detail) and from
// log_min_duration_statement ("duration: 0.123 ms  statement: ...", the
// same for execute; parse and bind lines are left out, and so is "execute
// fetch from", which resumes a portal already running). With both settings
// on, the server writes the duration alone after a statement it has logged;
// a duration line that repeats the statement just logged is dropped too.
// Error, notice and other lines add nothing: a statement that failed was
// logged before it ran.
//
// Sessions are told apart by the session id, else by the process id (a
// statement of a message with neither is skipped as damaged). A
// session ends at its "disconnection" line, at a FATAL or PANIC of its
// process, when the postmaster reports its process gone, when the server
// shuts down or restarts, and when its process id starts a new connection
// (a process id used again). The end is marked on the session's last
// statement, so each statement waits until its session's next one or end
// is seen; the statements go out in log order.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarnwick {

// One message of a server log, whatever the log's format.
struct LogMessage {
  const std::string* file = nullptr;
  long long line = 0;          // where the message begins
  int64_t time_us = 0;         // microseconds since the Unix epoch; 0: the log has no times
  std::string pid;             // empty when not logged
  std::string session_id;      // empty when not logged
  std::string severity;        // "LOG", "ERROR", ...
  std::string text;            // the message after its severity
  std::string detail;          // its DETAIL; empty when none
};

struct CapturedStatement {
  uint32_t session = 0;        // 1, 2, ... in order of first appearance
  int64_t time_us = 0;         // start time; 0: unknown
  bool session_ends = false;   // the session ended after this statement
  std::string text;
  const std::string* file = nullptr;  // where it was logged
  long long line = 0;
};

class StatementCapture {
 public:
  // A complete message, in log order.
  void take(const LogMessage& message);
  // No more messages: every statement held goes out.
  void finish();
  // The next statement whose session's next step is known; false when
  // none is ready (or, after finish, none is left).
  bool next(CapturedStatement* statement);

  // Reports an entry of the log that is skipped ("'FILE' line N: WHAT
  // (skipped)") and counts it. Past the first 20 of a file the entries are
  // only counted, and file_read reports how many were not named.
  void skip(const std::string& file, long long line, const std::string& what);
  void file_read(const std::string& file);

  long skipped() const { return skipped_; }
  uint32_t sessions() const { return sessions_named_; }

 private:
  struct Session {
    uint32_t number = 0;
    std::string pid;
    bool holds = false;       // its last statement waits in held_
    uint64_t last = 0;        // that statement's place
    std::string logged;       // a statement log_statement wrote whose duration has not come
  };
  struct Held {
    CapturedStatement statement;
    bool ready = false;
  };
  void statement(const std::string& key, const LogMessage& message, int64_t start, std::string_view text,
                 bool from_log_statement);
  void execute(const std::string& key, const LogMessage& message, int64_t start, std::string_view rest,
               bool from_log_statement);
  void duration(const std::string& key, const LogMessage& message, std::string_view rest);
  void release(Session& session, bool ends);
  void end_session(const std::string& key);
  void end_all();

  std::unordered_map<std::string, Session> open_;  // sessions not ended, by session id or process id
  std::deque<Held> held_;
  uint64_t first_held_ = 0;   // the place of held_.front()
  size_t held_bytes_ = 0;
  bool told_held_limit_ = false;
  uint32_t sessions_named_ = 0;
  long skipped_ = 0;
  long skipped_in_file_ = 0;
};

}  // namespace tarnwick
