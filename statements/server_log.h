// Reading PostgreSQL server logs as the traffic they record: the files in
// order (rotated logs one after the other; a session may go on from one
// file into the next), each in its own format, taken apart into messages
// that StatementCapture turns into statements.
//
// Formats:
//   stderr  lines that begin with the log_line_prefix and a severity label;
//           a message's further lines begin with a tab (one is stripped)
//           and its DETAIL follows on a line of its own. The prefix must
//           hold a process id (%p) or a session id (%c); its time stamp
//           (%m, %t, %n) gives the statements' times.
//   csvlog  one CSV record per message (23, 24 or 26 columns).
//   jsonlog one JSON object per line ("timestamp", "pid", "session_id",
//           "error_severity", "message", "detail").
//
// Damage is reported on standard error, naming the file and line, and the
// damaged entry is skipped, never passed on cut: a line that is not the
// log's (a continuation line after it drops the entry it interrupts), a
// continuation line with nothing before it, a last line without its line
// feed, a CSV record cut short or of the wrong width, a line that is not a
// JSON object, parameters that cannot be read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "statements/captured_statements.h"

namespace tarnwick {

enum class ServerLogFormat { none, stderr_text, csvlog, jsonlog };

// Tells by its first meaningful line (blank lines and lines led by a tab
// are passed over) whether the file holds a server log: a JSON object with
// "timestamp", a CSV record whose first field is a time stamp, or else a
// stderr log: any file when `prefix_setting` (the server's log_line_prefix)
// is given, else a line with a prefix that can be learned and a severity
// label. none also when the file cannot be read.
ServerLogFormat server_log_format(const std::string& path, const std::string& prefix_setting);

class ServerLogReader {
 public:
  // `prefix_setting`: the server's log_line_prefix; empty: the prefix of a
  // stderr log is learned from its first log line.
  ServerLogReader(std::vector<std::string> files, std::string prefix_setting);
  ~ServerLogReader();
  ServerLogReader(const ServerLogReader&) = delete;
  ServerLogReader& operator=(const ServerLogReader&) = delete;

  // The next statement in log order; false after the last.
  bool next(CapturedStatement* statement);

  // A file could not be read or is not a log whose sessions can be told
  // apart (reported; the other files were read).
  bool failed() const;
  long skipped() const;       // damaged entries reported
  uint32_t sessions() const;  // sessions that ran statements

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace tarnwick
