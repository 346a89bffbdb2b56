// The prefix that a PostgreSQL server writes before each line of its
// stderr log (its log_line_prefix setting), and the time stamps it writes
// there and in its CSV and JSON logs.
//
// A prefix is a list of elements: literal text and fields. Fields come from
// the setting's escapes (%m, %p, ...), or are learned from one line of a
// log when the setting is not given. Matching a line finds the fields and
// then requires a severity label ("LOG:  ", "DETAIL:  ", ...), so a line is
// a log line only when both the prefix and the label are there. Only the
// English labels are known (lc_messages other than English is not read).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// A time stamp read from a log.
struct LogTime {
  int64_t us = 0;          // microseconds since the Unix epoch
  std::string_view zone;   // the zone as written ("UTC", "CET", "+03"; empty for %n)
  bool zone_known = true;  // false: an abbreviation this reader does not know, read as UTC
};

// Reads a time stamp at the start of `text` as the server writes it:
// "2026-12-08 10:00:00.123 UTC" (%m, the CSV and JSON logs; %t has no
// fraction) or "1765188000.123" (%n). Returns the characters it took, 0 when
// `text` does not begin with one.
size_t read_log_time(std::string_view text, LogTime* time);

// What matching a line found.
struct PrefixMatch {
  bool has_time = false;
  LogTime time;
  std::string_view pid;        // empty when the prefix has no %p
  std::string_view session;    // the session id (%c); empty when none
  std::string_view severity;   // "LOG", "ERROR", "DETAIL", ...
  size_t message_at = 0;       // where the message begins, after "LOG:  "
};

class LogLinePrefix {
 public:
  // From the server's setting (the escapes %a %b %c %d %e %h %i %l %m %n
  // %p %P %q %Q %r %s %t %u %v %x %%, with optional padding such as %-10u).
  // Unknown escapes stand for nothing, as in the server's own output.
  static LogLinePrefix from_setting(std::string_view setting);

  // Learned from a log line: the text before the line's first severity
  // label is taken apart into a time stamp, a process id (the first number
  // in brackets, else the first number standing alone) and a session id
  // (hex digits, a dot, hex digits). Punctuation between them must come
  // back on every line; other text between them (user, client address, ...)
  // may differ, and what follows the last of them may differ or be
  // missing. False when the line holds no severity label or its prefix none
  // of these fields (an empty prefix is learned as empty).
  static bool learn(std::string_view line, LogLinePrefix* prefix);

  // Whether `line` begins with the prefix and a severity label.
  bool match(std::string_view line, PrefixMatch* found) const;

  bool has_time() const;
  bool has_session_key() const;  // %p or %c

 private:
  enum class Field {
    literal, time, epoch, start_time, pid, session, number, signed_number, optional_number,
    vxid, sqlstate, text, rest_optional
  };
  struct Element {
    Field field;
    std::string literal;   // the text of a literal
    bool padded = false;   // spaces may surround the field
  };
  bool match_from(size_t element, std::string_view line, size_t at, PrefixMatch* found, long* steps) const;
  std::vector<Element> elements_;
};

}  // namespace tarnwick
