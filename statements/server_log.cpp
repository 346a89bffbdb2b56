#include "statements/server_log.h"

#include <fstream>
#include <string_view>

#include "runtime/console_output.h"
#include "statements/log_line_prefix.h"
#include "statements/log_records.h"

namespace tarnwick {

namespace {

// The lines of one file, numbered from 1.
class LineFile {
 public:
  explicit LineFile(const std::string& path) : in_(path, std::ios::binary) {}
  bool is_open() const { return in_.is_open(); }
  // The next line without its line feed; *whole says whether it had one.
  bool next(std::string_view* line, bool* whole) {
    if (!std::getline(in_, line_)) return false;
    ++number_;
    *whole = !in_.eof();
    *line = line_;
    return true;
  }
  long long number() const { return number_; }
  bool read_error() const { return in_.bad(); }

 private:
  std::ifstream in_;
  std::string line_;
  long long number_ = 0;
};

bool is_blank_line(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

// The labels of a message's further lines, which follow its first.
bool is_part_label(std::string_view label) {
  return label == "DETAIL" || label == "HINT" || label == "CONTEXT" || label == "STATEMENT" || label == "QUERY" ||
         label == "LOCATION";
}

}  // namespace

ServerLogFormat server_log_format(const std::string& path, const std::string& prefix_setting) {
  LineFile file(path);
  if (!file.is_open()) return ServerLogFormat::none;
  std::string_view line;
  bool whole = false;
  while (file.next(&line, &whole)) {
    if (is_blank_line(line) || line[0] == '\t') continue;
    if (line[0] == '{') {
      JsonMembers members;
      return read_json_object(line, &members) && json_member(members, "timestamp") != nullptr
                 ? ServerLogFormat::jsonlog : ServerLogFormat::none;
    }
    LogTime time;
    const size_t stamp = read_log_time(line, &time);
    if (stamp != 0 && stamp < line.size() && line[stamp] == ',') return ServerLogFormat::csvlog;
    // Given the server's prefix, a file is taken for its stderr log (lines
    // that do not match are reported when read).
    LogLinePrefix learned;
    return !prefix_setting.empty() || LogLinePrefix::learn(line, &learned) ? ServerLogFormat::stderr_text
                                                                           : ServerLogFormat::none;
  }
  return ServerLogFormat::none;
}

// Where the reader is: the file, and the message being put together.
struct ServerLogReader::State {
  std::vector<std::string> files;
  std::string prefix_setting;
  size_t next_file = 0;
  std::unique_ptr<LineFile> file;
  const std::string* name = nullptr;
  ServerLogFormat format = ServerLogFormat::none;
  StatementCapture capture;
  bool failed = false;
  bool finished = false;
  bool told_zone = false;

  // A stderr log: its prefix, and the message whose lines are being read.
  bool prefix_known = false;
  LogLinePrefix prefix;
  enum class Part { text, detail, ignored };
  bool open = false;
  LogMessage entry;
  Part part = Part::text;            // where its next continuation line goes
  long long entry_last_line = 0;
  long long interrupted_by = 0;      // a line not of the log that came after it
  bool dropping = false;             // continuation lines of a dropped entry follow
  bool told_orphans = false;

  // A csvlog: the record being collected.
  CsvRecord csv;
  long long csv_line = 0;

  bool step();
  void open_next_file();
  void end_file();
  void read_stderr_line(std::string_view line, bool whole, long long number);
  bool learn_prefix(std::string_view line, long long number);
  void finish_entry();
  void read_csv_line(std::string_view line, bool whole, long long number);
  void read_json_line(std::string_view line, bool whole, long long number);
  void note_time(long long line, const LogTime& time);
};

ServerLogReader::ServerLogReader(std::vector<std::string> files, std::string prefix_setting)
    : state_(std::make_unique<State>()) {
  state_->files = std::move(files);
  state_->prefix_setting = std::move(prefix_setting);
}

ServerLogReader::~ServerLogReader() = default;

bool ServerLogReader::failed() const { return state_->failed; }
long ServerLogReader::skipped() const { return state_->capture.skipped(); }
uint32_t ServerLogReader::sessions() const { return state_->capture.sessions(); }

bool ServerLogReader::next(CapturedStatement* statement) {
  State& s = *state_;
  while (!s.capture.next(statement)) {
    if (s.step()) continue;
    if (s.finished) return false;
    s.capture.finish();
    s.finished = true;
  }
  return true;
}

// Reads one line; false when every file has been read.
bool ServerLogReader::State::step() {
  if (!file) {
    if (next_file == files.size()) return false;
    open_next_file();
    return true;
  }
  std::string_view line;
  bool whole = false;
  if (!file->next(&line, &whole)) {
    if (file->read_error()) {
      error_line("Cannot read '", name->c_str(), "' to its end");
      failed = true;
    }
    end_file();
    return true;
  }
  const long long number = file->number();
  switch (format) {
    case ServerLogFormat::stderr_text: read_stderr_line(line, whole, number); break;
    case ServerLogFormat::csvlog: read_csv_line(line, whole, number); break;
    case ServerLogFormat::jsonlog: read_json_line(line, whole, number); break;
    case ServerLogFormat::none: break;
  }
  return true;
}

void ServerLogReader::State::open_next_file() {
  name = &files[next_file++];
  file = std::make_unique<LineFile>(*name);
  if (!file->is_open()) {
    error_line("Cannot read '", name->c_str(), "'");
    failed = true;
    file.reset();
    return;
  }
  format = server_log_format(*name, prefix_setting);
  if (format == ServerLogFormat::none) {
    error_line("'", name->c_str(), "' is not a server log (skipping it)");
    failed = true;
    file.reset();
    return;
  }
  prefix_known = false;
  if (format == ServerLogFormat::stderr_text && !prefix_setting.empty()) {
    prefix = LogLinePrefix::from_setting(prefix_setting);
    prefix_known = true;
    if (!prefix.has_session_key()) {
      error_line("The log line prefix holds no process id (%p) or session id (%c): the sessions of '",
                 name->c_str(), "' cannot be told apart (skipping it)");
      failed = true;
      file.reset();
    }
  }
}

void ServerLogReader::State::end_file() {
  finish_entry();
  if (!csv.empty()) capture.skip(*name, csv_line, "the file ends inside this CSV record");
  csv.clear();
  dropping = false;
  told_orphans = false;
  capture.file_read(*name);
  file.reset();
}

// A stderr log's prefix, learned from its first log line. False when the
// file is to be left (reported).
bool ServerLogReader::State::learn_prefix(std::string_view line, long long number) {
  if (!LogLinePrefix::learn(line, &prefix)) return true;  // not a log line: reported as such
  if (!prefix.has_session_key()) {
    const std::string where = "'" + *name + "' line " + std::to_string(number);
    error_line(where.c_str(),
               ": the log line prefix holds no process id (%p) or session id (%c), so sessions cannot be "
               "told apart; give the server's setting with --log-line-prefix= (skipping the file)");
    failed = true;
    return false;
  }
  prefix_known = true;
  if (!prefix.has_time()) {
    error_line("note: the lines of '", name->c_str(), "' carry no time stamp; its statements have no times");
  }
  return true;
}

void ServerLogReader::State::read_stderr_line(std::string_view line, bool whole, long long number) {
  if (!line.empty() && line[0] == '\t') {
    if (open && interrupted_by == 0) {
      std::string* into = part == Part::text ? &entry.text : part == Part::detail ? &entry.detail : nullptr;
      if (into != nullptr) into->append("\n").append(line.substr(1));
      entry_last_line = number;
    } else if (open) {
      capture.skip(*name, entry.line,
                   "an entry interrupted by line " + std::to_string(interrupted_by) + ", which is not the log's");
      open = false;
      dropping = true;
    } else if (!dropping && !told_orphans) {
      capture.skip(*name, number, "a continuation line with no log line before it");
      told_orphans = true;
    }
  } else {
    dropping = false;
    told_orphans = false;
    if (!prefix_known && !is_blank_line(line) && !learn_prefix(line, number)) {
      end_file();
      return;
    }
    PrefixMatch found;
    if (prefix_known && prefix.match(line, &found)) {
      if (is_part_label(found.severity) && open && interrupted_by == 0 && found.pid == entry.pid &&
          found.session == entry.session_id) {
        // A part of the message being read: its DETAIL is kept.
        part = found.severity == "DETAIL" && entry.detail.empty() ? Part::detail : Part::ignored;
        if (part == Part::detail) entry.detail.assign(line.substr(found.message_at));
        entry_last_line = number;
      } else {
        finish_entry();
        open = true;
        entry = LogMessage{};
        entry.file = name;
        entry.line = number;
        if (found.has_time) {
          entry.time_us = found.time.us;
          note_time(number, found.time);
        }
        entry.pid = found.pid;
        entry.session_id = found.session;
        entry.severity = found.severity;
        entry.text = line.substr(found.message_at);
        part = Part::text;
        entry_last_line = number;
        interrupted_by = 0;
      }
    } else {
      if (!is_blank_line(line)) capture.skip(*name, number, "not a line of the server log");
      if (open && interrupted_by == 0) interrupted_by = number;
    }
  }
  if (!whole && open && entry_last_line == number) {
    capture.skip(*name, entry.line, "the file ends in the middle of line " + std::to_string(number));
    open = false;
  }
}

void ServerLogReader::State::finish_entry() {
  if (open) capture.take(entry);
  open = false;
}

void ServerLogReader::State::read_csv_line(std::string_view line, bool whole, long long number) {
  if (csv.empty()) {
    if (whole && line.empty()) return;
    csv_line = number;
  }
  if (!csv.add_line(line, whole)) return;  // more lines to come, or the end (reported there)
  const std::vector<std::string>& fields = csv.fields();
  LogTime time;
  if (csv.malformed()) {
    capture.skip(*name, csv_line, "a CSV record with a quote out of place");
  } else if (!is_csvlog_width(fields.size())) {
    capture.skip(*name, csv_line,
                 "a CSV record of " + std::to_string(fields.size()) + " fields, not the server's 23, 24 or 26");
  } else if (fields[kCsvLogTime].empty() || read_log_time(fields[kCsvLogTime], &time) != fields[kCsvLogTime].size()) {
    capture.skip(*name, csv_line, "a CSV record whose first field is not a time stamp");
  } else {
    note_time(csv_line, time);
    LogMessage message;
    message.file = name;
    message.line = csv_line;
    message.time_us = time.us;
    message.pid = fields[kCsvProcessId];
    message.session_id = fields[kCsvSessionId];
    message.severity = fields[kCsvSeverity];
    message.text = fields[kCsvMessage];
    message.detail = fields[kCsvDetail];
    capture.take(message);
  }
  csv.clear();
}

void ServerLogReader::State::read_json_line(std::string_view line, bool whole, long long number) {
  if (is_blank_line(line)) return;
  JsonMembers members;
  if (!read_json_object(line, &members)) {
    capture.skip(*name, number, whole ? "not a JSON object" : "the file ends in the middle of this line");
    return;
  }
  const std::string* stamp = json_member(members, "timestamp");
  LogTime time;
  if (stamp == nullptr || stamp->empty() || read_log_time(*stamp, &time) != stamp->size()) {
    capture.skip(*name, number, "a JSON record without a readable \"timestamp\"");
    return;
  }
  note_time(number, time);
  auto member = [&members](std::string_view key) {
    const std::string* value = json_member(members, key);
    return value == nullptr ? std::string() : *value;
  };
  LogMessage message;
  message.file = name;
  message.line = number;
  message.time_us = time.us;
  message.pid = member("pid");
  message.session_id = member("session_id");
  message.severity = member("error_severity");
  message.text = member("message");
  message.detail = member("detail");
  capture.take(message);
}

void ServerLogReader::State::note_time(long long line, const LogTime& time) {
  if (time.zone_known || told_zone) return;
  told_zone = true;
  const std::string where = "note: '" + *name + "' line " + std::to_string(line) + ": the time zone '" +
                            std::string(time.zone) + "'";
  error_line(where.c_str(), " is not known; times are read as UTC");
}

}  // namespace tarnwick
