#include "statements/log_line_prefix.h"

#include <algorithm>
#include <cstring>

namespace tarnwick {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_alnum(char c) { return is_digit(c) || is_alpha(c); }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f'); }

// The run of characters satisfying `test` at `at`, at most `most` long.
template <typename Test>
size_t run_of(std::string_view text, size_t at, size_t most, Test test) {
  size_t n = 0;
  while (at + n < text.size() && n < most && test(text[at + n])) ++n;
  return n;
}

// Exactly `count` digits at `at` into *value.
bool fixed_digits(std::string_view text, size_t at, size_t count, int* value) {
  if (run_of(text, at, count, is_digit) != count) return false;
  *value = 0;
  for (size_t i = 0; i < count; ++i) *value = *value * 10 + (text[at + i] - '0');
  return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t days_from_civil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// The zone abbreviations of common log_timezone settings, in minutes east
// of UTC. CST is the North American one, as in the server's own default
// abbreviation table.
struct ZoneOffset {
  const char* name;
  int minutes;
};
constexpr ZoneOffset kZones[] = {
    {"UTC", 0},     {"GMT", 0},     {"UT", 0},       {"Z", 0},       {"WET", 0},     {"WEST", 60},
    {"BST", 60},    {"CET", 60},    {"CEST", 120},   {"MET", 60},    {"MEST", 120},  {"EET", 120},
    {"EEST", 180},  {"MSK", 180},   {"SAST", 120},   {"EST", -300},  {"EDT", -240},  {"CST", -360},
    {"CDT", -300},  {"MST", -420},  {"MDT", -360},   {"PST", -480},  {"PDT", -420},  {"AKST", -540},
    {"AKDT", -480}, {"HST", -600},  {"JST", 540},    {"KST", 540},   {"HKT", 480},   {"AWST", 480},
    {"ACST", 570},  {"ACDT", 630},  {"AEST", 600},   {"AEDT", 660},  {"NZST", 720},  {"NZDT", 780},
};

// A zone after a time stamp: letters, or a numeric offset (+03, -0530,
// +05:30). Returns its length, 0 when there is none; *minutes east of UTC.
size_t read_zone(std::string_view text, size_t at, int* minutes, bool* known) {
  *known = true;
  *minutes = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    int hours = 0;
    int extra = 0;
    if (!fixed_digits(text, at + 1, 2, &hours)) return 0;
    size_t length = 3;
    if (at + length < text.size() && text[at + length] == ':') ++length;
    if (fixed_digits(text, at + length, 2, &extra)) {
      length += 2;
    } else if (text[at + length - 1] == ':') {
      return 0;
    }
    if (at + length < text.size() && is_digit(text[at + length])) return 0;
    *minutes = (text[at] == '-' ? -1 : 1) * (hours * 60 + extra);
    return length;
  }
  const size_t length = run_of(text, at, 7, is_alpha);
  if (length == 0 || length > 6 || (at + length < text.size() && is_alnum(text[at + length]))) return 0;
  const std::string_view name = text.substr(at, length);
  for (const ZoneOffset& zone : kZones) {
    if (name == zone.name) {
      *minutes = zone.minutes;
      return length;
    }
  }
  *known = false;  // read as UTC
  return length;
}

// "2026-12-08 10:00:00[.123456] ZONE".
size_t read_calendar_time(std::string_view text, LogTime* time) {
  int year, month, day, hour, minute, second;
  if (!fixed_digits(text, 0, 4, &year) || text.size() < 19 || text[4] != '-' ||
      !fixed_digits(text, 5, 2, &month) || text[7] != '-' || !fixed_digits(text, 8, 2, &day) ||
      text[10] != ' ' || !fixed_digits(text, 11, 2, &hour) || text[13] != ':' ||
      !fixed_digits(text, 14, 2, &minute) || text[16] != ':' || !fixed_digits(text, 17, 2, &second)) {
    return 0;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
  size_t at = 19;
  int64_t fraction_us = 0;
  if (at < text.size() && text[at] == '.') {
    const size_t digits = run_of(text, at + 1, 64, is_digit);
    if (digits == 0) return 0;
    for (size_t i = 0; i < 6; ++i) fraction_us = fraction_us * 10 + (i < digits ? text[at + 1 + i] - '0' : 0);
    at += 1 + digits;
  }
  if (at >= text.size() || text[at] != ' ') return 0;
  int minutes = 0;
  const size_t zone = read_zone(text, at + 1, &minutes, &time->zone_known);
  if (zone == 0) return 0;
  time->zone = text.substr(at + 1, zone);
  const int64_t seconds = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  time->us = (seconds - int64_t{minutes} * 60) * 1000000 + fraction_us;
  return at + 1 + zone;
}

// "1765188000.123": seconds and milliseconds since the epoch (%n).
size_t read_epoch_time(std::string_view text, LogTime* time) {
  const size_t seconds = run_of(text, 0, 13, is_digit);
  if (seconds < 9 || seconds > 12 || seconds >= text.size() || text[seconds] != '.') return 0;
  const size_t digits = run_of(text, seconds + 1, 7, is_digit);
  if (digits < 3 || digits > 6) return 0;
  int64_t us = 0;
  for (size_t i = 0; i < seconds; ++i) us = us * 10 + (text[i] - '0');
  int64_t fraction = 0;
  for (size_t i = 0; i < 6; ++i) fraction = fraction * 10 + (i < digits ? text[seconds + 1 + i] - '0' : 0);
  time->us = us * 1000000 + fraction;
  time->zone = {};
  time->zone_known = true;
  return seconds + 1 + digits;
}

// The severity labels the server writes after the prefix, each followed by
// a colon and two spaces.
constexpr const char* kLabels[] = {"LOG",  "ERROR", "WARNING", "FATAL",    "PANIC",     "NOTICE", "INFO",
                                   "DEBUG", "DETAIL", "HINT",  "CONTEXT", "STATEMENT", "QUERY",  "LOCATION"};

// The label at `at`, with its ":  "; its length without them, 0 when none.
size_t label_at(std::string_view line, size_t at) {
  if (at >= line.size() || line[at] < 'A' || line[at] > 'Z') return 0;
  for (const char* label : kLabels) {
    const size_t length = std::strlen(label);
    if (line.substr(at, length) == label && line.substr(at + length, 3) == ":  ") return length;
  }
  return 0;
}

// A session id as %c writes it: the start time and the process id in hex.
size_t session_id_length(std::string_view text, size_t at) {
  const size_t first = run_of(text, at, 9, is_hex);
  if (first == 0 || first > 8 || at + first >= text.size() || text[at + first] != '.') return 0;
  const size_t second = run_of(text, at + first + 1, 9, is_hex);
  if (second == 0 || second > 8) return 0;
  return first + 1 + second;
}

constexpr size_t kLongestText = 1024;  // a field of free text, such as %u or %a

// The steps one line may cost: several free-text fields could otherwise try
// every split of a long line that matches nowhere.
constexpr long kMatchSteps = 100000;

}  // namespace

size_t read_log_time(std::string_view text, LogTime* time) {
  const size_t calendar = read_calendar_time(text, time);
  return calendar != 0 ? calendar : read_epoch_time(text, time);
}

LogLinePrefix LogLinePrefix::from_setting(std::string_view setting) {
  LogLinePrefix prefix;
  auto literal = [&prefix](char c) {
    if (prefix.elements_.empty() || prefix.elements_.back().field != Field::literal) {
      prefix.elements_.push_back({Field::literal, "", false});
    }
    prefix.elements_.back().literal += c;
  };
  for (size_t i = 0; i < setting.size(); ++i) {
    if (setting[i] != '%') {
      literal(setting[i]);
      continue;
    }
    size_t at = i + 1;
    if (at < setting.size() && setting[at] == '-') ++at;
    const size_t width = run_of(setting, at, 16, is_digit);
    at += width;
    if (at >= setting.size()) break;  // a lone % at the end writes nothing
    i = at;
    const bool padded = width != 0;
    Field field;
    switch (setting[at]) {
      case '%': literal('%'); continue;
      case 'm': case 't': field = Field::time; break;
      case 'n': field = Field::epoch; break;
      case 's': field = Field::start_time; break;
      case 'p': field = Field::pid; break;
      case 'c': field = Field::session; break;
      case 'l': case 'x': field = Field::number; break;
      case 'P': field = Field::optional_number; break;
      case 'Q': field = Field::signed_number; break;
      case 'v': field = Field::vxid; break;
      case 'e': field = Field::sqlstate; break;
      case 'q': field = Field::rest_optional; break;
      case 'a': case 'b': case 'd': case 'h': case 'i': case 'r': case 'u': field = Field::text; break;
      default: continue;  // the server writes nothing for an unknown escape
    }
    prefix.elements_.push_back({field, "", padded});
  }
  return prefix;
}

bool LogLinePrefix::learn(std::string_view line, LogLinePrefix* prefix) {
  size_t end = 0;
  const size_t search = std::min(line.size(), kLongestText);
  while (end < search && label_at(line, end) == 0) ++end;
  if (end == search) return false;
  const std::string_view text = line.substr(0, end);
  if (text.find('\t') != std::string_view::npos) return false;

  LogLinePrefix learned;
  std::string pending;  // text between fields
  auto flush = [&learned, &pending]() {
    if (pending.empty()) return;
    const bool words = std::any_of(pending.begin(), pending.end(), is_alnum);
    learned.elements_.push_back({words ? Field::text : Field::literal, words ? "" : pending, false});
    pending.clear();
  };
  auto stands_alone = [&text](size_t after) {
    return after >= text.size() || (!is_alnum(text[after]) && text[after] != '.');
  };
  // The process id is the first number in brackets ("[%p]", "[%p-%l]"),
  // or, when there is none, the first number standing alone.
  auto bracketed = [&text](size_t at, size_t length) {
    return at > 0 && text[at - 1] == '[' && at + length < text.size() &&
           (text[at + length] == ']' || text[at + length] == '-');
  };
  bool brackets = false;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i - 1] == '[') brackets = brackets || bracketed(i, run_of(text, i, 20, is_digit));
  }
  size_t strict_elements = 0;  // the elements up to the last time, process or session
  size_t strict_end = 0;       // where they end in the text
  bool pid = false;
  for (size_t i = 0; i < text.size();) {
    const bool starts = i == 0 || (!is_alnum(text[i - 1]) && text[i - 1] != '.');
    LogTime time;
    size_t length = 0;
    Field field = Field::literal;
    if (!starts) {
    } else if ((length = read_log_time(text.substr(i), &time)) != 0 && stands_alone(i + length)) {
      field = text[i + 4] == '-' ? Field::time : Field::epoch;
    } else if ((length = session_id_length(text, i)) != 0 && stands_alone(i + length)) {
      field = Field::session;
    } else if ((length = run_of(text, i, 20, is_digit)) != 0 && stands_alone(i + length) && !pid &&
               (!brackets || bracketed(i, length))) {
      field = Field::pid;
      pid = true;
    }
    if (field == Field::literal) {  // other numbers vary from line to line: free text
      pending += text[i++];
      continue;
    }
    flush();
    learned.elements_.push_back({field, "", false});
    i += length;
    strict_elements = learned.elements_.size();
    strict_end = i;
  }
  if (strict_elements == 0) {
    if (!text.empty()) return false;
    *prefix = learned;
    return true;
  }
  // After the last field that every line has: its separators, then
  // anything (user, database, application, ...), which lines of processes
  // without a session leave out.
  learned.elements_.resize(strict_elements);
  std::string separators;
  while (strict_end < text.size() && !is_alnum(text[strict_end])) separators += text[strict_end++];
  if (!separators.empty()) learned.elements_.push_back({Field::literal, separators, false});
  learned.elements_.push_back({Field::text, "", false});
  *prefix = learned;
  return true;
}

bool LogLinePrefix::match(std::string_view line, PrefixMatch* found) const {
  *found = PrefixMatch{};
  long steps = kMatchSteps;
  return match_from(0, line, 0, found, &steps);
}

bool LogLinePrefix::has_time() const {
  return std::any_of(elements_.begin(), elements_.end(),
                     [](const Element& e) { return e.field == Field::time || e.field == Field::epoch; });
}

bool LogLinePrefix::has_session_key() const {
  return std::any_of(elements_.begin(), elements_.end(),
                     [](const Element& e) { return e.field == Field::pid || e.field == Field::session; });
}

// Matches the elements from `element` on at `at`, then the severity label.
// Free text is matched as short as the rest allows. A field's value is
// kept only once the whole line has matched. No match once `steps` are
// spent.
bool LogLinePrefix::match_from(size_t element, std::string_view line, size_t at, PrefixMatch* found,
                               long* steps) const {
  if (--*steps < 0) return false;
  if (element == elements_.size()) {
    const size_t label = label_at(line, at);
    if (label == 0) return false;
    found->severity = line.substr(at, label);
    found->message_at = at + label + 3;
    return true;
  }
  const Element& e = elements_[element];
  if (e.field == Field::rest_optional) {
    // Processes without a session leave out what follows %q.
    return match_from(element + 1, line, at, found, steps) || match_from(elements_.size(), line, at, found, steps);
  }
  if (e.field == Field::text) {
    const size_t last = std::min(line.size(), at + kLongestText);
    for (size_t end = at; end <= last; ++end) {
      if (match_from(element + 1, line, end, found, steps)) return true;
    }
    return false;
  }
  if (e.padded) at += run_of(line, at, kLongestText, [](char c) { return c == ' '; });
  const std::string_view rest = line.substr(std::min(at, line.size()));
  LogTime time;
  size_t length = 0;
  switch (e.field) {
    case Field::literal:
      length = rest.substr(0, e.literal.size()) == e.literal ? e.literal.size() : 0;
      if (length == 0) return false;
      break;
    case Field::time:
    case Field::start_time:
      length = read_calendar_time(rest, &time);
      if (length == 0 && e.field == Field::time) return false;
      break;
    case Field::epoch:
      if ((length = read_epoch_time(rest, &time)) == 0) return false;
      break;
    case Field::session:
      if ((length = session_id_length(rest, 0)) == 0) return false;
      break;
    case Field::pid:
    case Field::number:
      if ((length = run_of(rest, 0, 20, is_digit)) == 0) return false;
      break;
    case Field::optional_number:
      length = run_of(rest, 0, 20, is_digit);
      break;
    case Field::signed_number:
      length = !rest.empty() && rest[0] == '-' ? 1 : 0;
      if (run_of(rest, length, 20, is_digit) == 0) return false;
      length += run_of(rest, length, 20, is_digit);
      break;
    case Field::vxid: {
      const size_t backend = run_of(rest, 0, 20, is_digit);
      const size_t local = backend == 0 || backend >= rest.size() || rest[backend] != '/'
                               ? 0 : run_of(rest, backend + 1, 20, is_digit);
      length = local == 0 ? 0 : backend + 1 + local;  // none outside a session
      break;
    }
    case Field::sqlstate:
      if (run_of(rest, 0, 5, [](char c) { return is_digit(c) || (c >= 'A' && c <= 'Z'); }) != 5) return false;
      length = 5;
      break;
    case Field::text:
    case Field::rest_optional:
      return false;  // handled above
  }
  size_t next = at + length;
  if (e.padded) next += run_of(line, next, kLongestText, [](char c) { return c == ' '; });
  if (!match_from(element + 1, line, next, found, steps)) return false;
  if (e.field == Field::time || e.field == Field::epoch) {
    found->has_time = true;
    found->time = time;
  } else if (e.field == Field::pid) {
    found->pid = rest.substr(0, length);
  } else if (e.field == Field::session) {
    found->session = rest.substr(0, length);
  }
  return true;
}

}  // namespace tarnwick
