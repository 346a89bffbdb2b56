#include "statements/captured_statements.h"

#include <string>
#include <vector>

#include "runtime/console_output.h"
#include "statements/statement_parameters.h"
#include "statements/statement_text.h"

namespace tarnwick {

namespace {

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "0.123 ms" at the start of `text`: the duration in microseconds and the
// characters taken. False when it is not a duration.
bool read_duration(std::string_view text, int64_t* us, size_t* length) {
  size_t at = 0;
  int64_t whole = 0;
  while (at < text.size() && at < 15 && text[at] >= '0' && text[at] <= '9') whole = whole * 10 + (text[at++] - '0');
  if (at == 0) return false;
  int64_t fraction = 0;
  size_t digits = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      if (digits++ < 3) fraction = fraction * 10 + (text[at] - '0');
      ++at;
    }
    if (digits == 0) return false;
    for (; digits < 3; ++digits) fraction *= 10;
  }
  if (text.substr(at, 3) != " ms") return false;
  *us = whole * 1000 + fraction;
  *length = at + 3;
  return true;
}

// Statements may wait this long for their session's next step; past it the
// oldest goes out without it (a session idle that long may lose the mark
// of its end).
constexpr size_t kMostHeld = size_t{1} << 20;
constexpr size_t kMostHeldBytes = size_t{256} << 20;

// Damaged entries named per file; a log in a format not understood would
// otherwise name every line.
constexpr long kNamedPerFile = 20;

}  // namespace

void StatementCapture::skip(const std::string& file, long long line, const std::string& what) {
  ++skipped_;
  if (++skipped_in_file_ > kNamedPerFile) return;
  const std::string where = "'" + file + "' line " + std::to_string(line) + ": ";
  error_line(where.c_str(), what.c_str(), " (skipped)");
}

void StatementCapture::file_read(const std::string& file) {
  if (skipped_in_file_ > kNamedPerFile) {
    const std::string more = std::to_string(skipped_in_file_ - kNamedPerFile);
    error_line("'", file.c_str(), ("': " + more + " more damaged entries skipped").c_str());
  }
  skipped_in_file_ = 0;
}

void StatementCapture::take(const LogMessage& message) {
  const std::string key = !message.session_id.empty() ? "c" + message.session_id
                          : !message.pid.empty()      ? "p" + message.pid
                                                      : std::string();
  if (message.severity == "FATAL" || message.severity == "PANIC") {
    end_session(key);  // the process ends
    return;
  }
  if (message.severity != "LOG") return;
  const std::string_view text = message.text;
  if (starts_with(text, "statement: ")) {
    statement(key, message, message.time_us, text.substr(11), true);
  } else if (starts_with(text, "execute ")) {
    execute(key, message, message.time_us, text.substr(8), true);
  } else if (starts_with(text, "duration: ")) {
    duration(key, message, text.substr(10));
  } else if (starts_with(text, "disconnection: ") || starts_with(text, "connection received: ") ||
             starts_with(text, "connection authorized: ")) {
    end_session(key);  // a new connection ends whatever had its process id before
  } else if (starts_with(text, "server process (PID ")) {
    const size_t close = text.find(')');
    const std::string_view pid = text.substr(20, close == std::string_view::npos ? 0 : close - 20);
    for (const auto& [session_key, session] : open_) {
      if (!pid.empty() && session.pid == pid) {
        const std::string ended = session_key;
        end_session(ended);
        break;
      }
    }
  } else if (text == "database system is shut down" || text == "database system is ready to accept connections") {
    end_all();
  }
}

void StatementCapture::duration(const std::string& key, const LogMessage& message, std::string_view rest) {
  int64_t us = 0;
  size_t length = 0;
  if (!read_duration(rest, &us, &length)) {
    skip(*message.file, message.line, "a duration that is not a number of milliseconds");
    return;
  }
  rest.remove_prefix(length);
  if (rest.empty()) {  // the end of a statement that log_statement wrote
    auto found = open_.find(key);
    if (found != open_.end()) found->second.logged.clear();
    return;
  }
  const int64_t start = message.time_us == 0 ? 0 : message.time_us - us;
  if (starts_with(rest, "  statement: ")) {
    statement(key, message, start, rest.substr(13), false);
  } else if (starts_with(rest, "  execute ")) {
    execute(key, message, start, rest.substr(10), false);
  }
  // parse, bind, plans and the rest run nothing of their own
}

void StatementCapture::execute(const std::string& key, const LogMessage& message, int64_t start,
                               std::string_view rest, bool from_log_statement) {
  if (starts_with(rest, "fetch from ")) return;  // more rows of a portal already run
  const size_t colon = rest.find(": ");
  if (colon == std::string_view::npos) {
    skip(*message.file, message.line, "an execute line without its statement");
    return;
  }
  const std::string_view text = rest.substr(colon + 2);
  std::vector<std::string> values;
  if (!message.detail.empty() && starts_with(message.detail, "parameters: ") &&
      !read_parameter_values(message.detail, &values)) {
    skip(*message.file, message.line, "parameters that cannot be read");
    return;
  }
  std::string bound;
  if (const size_t missing = bind_parameters(text, values, &bound); missing != 0) {
    skip(*message.file, message.line, "parameter $" + std::to_string(missing) + " has no value in the log");
    return;
  }
  statement(key, message, start, bound, from_log_statement);
}

void StatementCapture::statement(const std::string& key, const LogMessage& message, int64_t start,
                                 std::string_view text, bool from_log_statement) {
  if (text.find('\0') != std::string_view::npos) {
    skip(*message.file, message.line, "a NUL character in the statement");
    return;
  }
  if (key.empty()) {
    skip(*message.file, message.line, "a statement that names no process or session");
    return;
  }
  const std::string statement_text(text);
  if (*skip_blanks(statement_text.c_str()) == '\0') return;
  CapturedStatement captured{0, start < 0 ? 0 : start, false, statement_text, message.file, message.line};
  Session& session = open_[key];
  if (!from_log_statement && !session.logged.empty() && session.logged == statement_text) {
    session.logged.clear();  // written twice, with and without its duration
    return;
  }
  if (session.number == 0) {
    session.number = ++sessions_named_;
    session.pid = message.pid;
  }
  release(session, false);
  captured.session = session.number;
  held_.push_back({std::move(captured), false});
  held_bytes_ += statement_text.size();
  session.holds = true;
  session.last = first_held_ + held_.size() - 1;
  session.logged = from_log_statement ? statement_text : std::string();
  if (held_.size() > kMostHeld || held_bytes_ > kMostHeldBytes) {
    if (!told_held_limit_) {
      error_line("note: a session idle across more than a million statements may not have its end marked");
      told_held_limit_ = true;
    }
    held_.front().ready = true;
  }
}

// The session's waiting statement may go out, marked as its last or not.
void StatementCapture::release(Session& session, bool ends) {
  if (session.holds && session.last >= first_held_) {
    Held& held = held_[session.last - first_held_];
    held.statement.session_ends = ends;
    held.ready = true;
  }
  session.holds = false;
}

void StatementCapture::end_session(const std::string& key) {
  auto found = open_.find(key);
  if (found == open_.end()) return;
  release(found->second, true);
  open_.erase(found);  // the key's next statement opens a new session
}

void StatementCapture::end_all() {
  for (auto& entry : open_) release(entry.second, true);
  open_.clear();
}

void StatementCapture::finish() {
  for (Held& held : held_) held.ready = true;
  open_.clear();
}

bool StatementCapture::next(CapturedStatement* statement) {
  if (held_.empty() || !held_.front().ready) return false;
  *statement = std::move(held_.front().statement);
  held_bytes_ -= statement->text.size();
  held_.pop_front();
  ++first_held_;
  return true;
}

}  // namespace tarnwick
