// The records of a PostgreSQL server's CSV log (csvlog) and JSON log
// (jsonlog), taken apart into their fields.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnwick {

// One CSV record collected from the lines of a file: fields separated by
// commas, a field in double quotes may hold commas, line feeds and doubled
// quotes. The record ends at a line feed outside quotes.
class CsvRecord {
 public:
  // Adds a line, without its line feed; `whole` says whether it had one.
  // True when the record is complete.
  bool add_line(std::string_view line, bool whole);
  bool empty() const { return !started_; }
  // A quote where none may be (inside an unquoted field, after a closing
  // quote): the record is not the server's.
  bool malformed() const { return malformed_; }
  const std::vector<std::string>& fields() const { return fields_; }
  void clear();

 private:
  enum class State { field_start, unquoted, quoted, quote_in_quoted };
  bool add(char c);
  std::vector<std::string> fields_;
  State state_ = State::field_start;
  bool started_ = false;
  bool malformed_ = false;
};

// The columns of a csvlog record that the reader uses; the server writes 23
// columns, 24 since version 13 (backend_type) and 26 since 14 (leader_pid,
// query_id).
enum CsvColumn : size_t {
  kCsvLogTime = 0, kCsvProcessId = 3, kCsvSessionId = 5, kCsvSeverity = 11, kCsvMessage = 13,
  kCsvDetail = 14,
};
bool is_csvlog_width(size_t fields);

// Reads a JSON log line: one object whose values are strings, numbers,
// true, false or null, as the server writes them (no nested objects or
// arrays). Strings are unescaped into UTF-8; the other values are kept as
// written. False when the line is anything else.
using JsonMembers = std::vector<std::pair<std::string, std::string>>;
bool read_json_object(std::string_view line, JsonMembers* members);

// The value of `key`, or null when the object has none.
const std::string* json_member(const JsonMembers& members, std::string_view key);

}  // namespace tarnwick
