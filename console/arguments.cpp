// Options are tried in the order of the table below; the first match wins.
// An exact option matches the whole argument only; a prefix option matches
// any argument that begins with its text, the rest being its value. A short
// option (psql's -c, -d, -f) is a prefix option whose value, when nothing
// follows it in the argument, is the next argument.
#include "console/arguments.h"

#include <strings.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <string>
#include <vector>

#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "support/platform/platform.h"
#include "support/string/wstring.h"

namespace tarnwick {

namespace {

// The banner's numbers and date are fixed texts of the program that scripts
// and the end-to-end tests compare byte for byte; they are not taken from
// the build (a real build date or version would change the output).
constexpr int kVersionMajor = 6;
constexpr int kVersionMinor = 1;
constexpr int kVersionPatch = 5;
constexpr const char* kBuildDate = "Apr  5 2011";
constexpr int kRevision = 5367;

enum class Kind { exact, prefix, short_option };

// The groups of the option list that --help alone prints, in its order.
enum class Group { connecting, input, output, load, terminal };

enum class Action {
  help, version, limit, page_size, answers_limit, sessions, statements, default_language,
  verbose, ignore_create, ignore_select, ignore_delete, ignore_switch, ignore_backup,
  ignore_execute, ignore_transaction, immediate_is_simple_commit, no_connect_disconnect,
  quiet, silent, raw, debug, mode_read, mode_write, user, port, host, utf8, code_page,
  timeout, sql, format, on_error, progress, report, report_file, rate, late, dbname, command, no_pager,
  clients, pipeline, protocol, speed, merge_reports, compare_reports, start_at, spread_hosts,
};

struct Option {
  const char* text;
  Kind kind;
  Action action;
  Group group;
  const char* help;  // its line in the option list: the value it takes, what it does
};

// "--verboze" (with a z) is the option's real spelling, and the usage line
// shows it so: scripts that call the program use it. Do not correct it.
constexpr Option kOptions[] = {
    {"--help", Kind::exact, Action::help, Group::terminal, "alone: this list; among other options: the usage line"},
    {"--version", Kind::exact, Action::version, Group::terminal, "the version banner, then stop"},
    {"--no-pager", Kind::exact, Action::no_pager, Group::terminal,
     "show results taller than the terminal directly, not through $TARNWICK_PAGER, $PAGER or less -S"},
    {"--limit=", Kind::prefix, Action::limit, Group::input, "N: run at most N statements (0: no limit)"},
    {"--page-size=", Kind::prefix, Action::page_size, Group::output, "N: rows a table shows (0: 20)"},
    {"--answers-limit=", Kind::prefix, Action::answers_limit, Group::output, "N: rows a query counts (0: 1024)"},
    {"--sessions=", Kind::prefix, Action::sessions, Group::load, "N: sessions of the pool"},
    {"--statements=", Kind::prefix, Action::statements, Group::load, "N: statements sent in one batch"},
    {"--default-language=", Kind::prefix, Action::default_language, Group::connecting, "NAME: accepted, not used"},
    {"--verboze", Kind::exact, Action::verbose, Group::output, "accepted, not used"},
    {"--ignore-create", Kind::exact, Action::ignore_create, Group::input, "skip CREATE statements"},
    {"--ignore-select", Kind::exact, Action::ignore_select, Group::input, "skip queries (they still count against --limit=)"},
    {"--ignore-delete", Kind::exact, Action::ignore_delete, Group::input, "skip statements that begin with DELETE"},
    {"--ignore-switch", Kind::exact, Action::ignore_switch, Group::input, "skip statements that begin with SWITCH"},
    {"--ignore-backup", Kind::exact, Action::ignore_backup, Group::input, "skip statements that begin with BACKUP"},
    {"--ignore-execute", Kind::exact, Action::ignore_execute, Group::input, "skip every statement that is not a query"},
    {"--ignore-transaction", Kind::exact, Action::ignore_transaction, Group::input, "skip BEGIN TRANS... and IMMEDIATE... statements"},
    {"--immediate-is-simple-commit", Kind::exact, Action::immediate_is_simple_commit, Group::input,
     "with --ignore-transaction, send IMMEDIATE... without that word"},
    {"--no-connect-disconnect", Kind::exact, Action::no_connect_disconnect, Group::input,
     "reconnect; and disconnect; only send the pending batch"},
    {"--no-disconnect-connect", Kind::exact, Action::no_connect_disconnect, Group::input,
     "the same as --no-connect-disconnect"},
    {"--quiet", Kind::exact, Action::quiet, Group::output, "no hint line at the start"},
    {"--silent", Kind::exact, Action::silent, Group::output, "--quiet, and no results"},
    {"--raw", Kind::exact, Action::raw, Group::output, "cells unpadded, columns not measured"},
    {"--debug", Kind::exact, Action::debug, Group::connecting, "keep rejected statements in SQL.Tarnwick.* files; reopen after a failure"},
    {"--mode=r", Kind::exact, Action::mode_read, Group::connecting, "read-only transactions (the default)"},
    {"--mode=w", Kind::exact, Action::mode_write, Group::connecting, "transactions that may write"},
    {"--user=", Kind::prefix, Action::user, Group::connecting, "NAME: log in as NAME (else PGUSER, else Tarnwick)"},
    {"--port=", Kind::prefix, Action::port, Group::connecting, "PORT: the server's port (else PGPORT, else 8088)"},
    {"--host=", Kind::prefix, Action::host, Group::connecting,
     "HOST: a host name, a postgresql:// URI, a key=value connection string or sqlite:FILE "
     "(else PGHOST, else 127.0.0.1)"},
    {"--dbname=", Kind::prefix, Action::dbname, Group::connecting, "NAME: the database (else PGDATABASE, else the user's)"},
    {"-d", Kind::short_option, Action::dbname, Group::connecting, "NAME: the same as --dbname=NAME"},
    {"--utf-8", Kind::exact, Action::utf8, Group::output, "texts are UTF-8"},
    {"--utf8", Kind::exact, Action::utf8, Group::output, "the same as --utf-8"},
    {"--code-page=", Kind::prefix, Action::code_page, Group::output, "NAME: the code page of texts"},
    {"--default-code-page=", Kind::prefix, Action::code_page, Group::output, "NAME: the same as --code-page="},
    {"--charset=", Kind::prefix, Action::code_page, Group::output, "NAME: the same as --code-page="},
    {"--default-charset=", Kind::prefix, Action::code_page, Group::output, "NAME: the same as --code-page="},
    {"--timeout=", Kind::prefix, Action::timeout, Group::connecting, "N: wait up to N seconds for the server"},
    {"--sql=", Kind::prefix, Action::sql, Group::input, "FILES: scripts or replay logs to run, split at , and ; (- is standard input)"},
    {"-f", Kind::short_option, Action::sql, Group::input, "FILE: the same as --sql=FILE"},
    {"--command=", Kind::prefix, Action::command, Group::input, "SQL: run SQL, in order with the other sources"},
    {"-c", Kind::short_option, Action::command, Group::input, "SQL: the same as --command=SQL"},
    {"--format=", Kind::prefix, Action::format, Group::output, "table|csv|tsv|unaligned: how rows are written"},
    {"--on-error=", Kind::prefix, Action::on_error, Group::input, "stop|continue: whether a failure ends the run"},
    // Load runs: these write to standard error or a file only.
    {"--progress=", Kind::prefix, Action::progress, Group::load, "N: a progress line every N seconds (0: none)"},
    {"--report", Kind::exact, Action::report, Group::load, "a report at the end, on standard error"},
    {"--report=", Kind::prefix, Action::report_file, Group::load,
     "FILE: the report as JSON into FILE, as a page with plots when FILE ends in .html (- : JSON on standard output)"},
    {"--rate=", Kind::prefix, Action::rate, Group::load,
     "N: send N statements a second (with --clients=, N transactions: a block counts once)"},
    {"--late=", Kind::prefix, Action::late, Group::load, "MS: a statement later than MS is counted late"},
    {"--clients=", Kind::prefix, Action::clients, Group::load,
     "N: N independent sessions, each running its share of the statements on its own"},
    {"--pipeline=", Kind::prefix, Action::pipeline, Group::load, "D: with --clients=, up to D statements in flight per client"},
    {"--protocol=", Kind::prefix, Action::protocol, Group::load,
     "simple|prepared: with --clients= on PostgreSQL, prepared runs statements that repeat with other literals as "
     "prepared statements"},
    {"--merge-reports=", Kind::prefix, Action::merge_reports, Group::load,
     "A.json,B.json,...: merge reports of runs made apart into the --report= (connects to nothing)"},
    {"--start-at=", Kind::prefix, Action::start_at, Group::load,
     "TIME: start the first statement at TIME (ISO 8601 or Unix seconds), for runs on several hosts"},
    {"--spread-hosts", Kind::exact, Action::spread_hosts, Group::load,
     "deal the clients (or the pool's sessions) over the hosts that --host= lists, in turn"},
    {"--compare-reports=", Kind::prefix, Action::compare_reports, Group::load,
     "BEFORE.json,AFTER.json: compare two reports by kind and shape on standard output, also as a page into a "
     "--report=FILE.html (connects to nothing)"},
    {"--speed=", Kind::prefix, Action::speed, Group::load,
     "F: a captured log's statements at their recorded times divided by F (0: as fast as they go)"},
};

// Bounds of the load-run options: beyond them a value is a slip of the
// keyboard, not a plan (a day between progress lines, a billion statements
// a second, an hour of lateness). A rate is at least one statement every
// 1000 s: the slowest schedule that still plays a run within days, and one
// whose due times stay far inside the 64-bit nanosecond clock.
constexpr int32_t kMaxProgressSeconds = 86400;
constexpr double kMinRate = 0.001;
constexpr double kMaxRate = 1e7;
constexpr int32_t kMaxLateMs = 3600000;
// More clients than a server takes connections, or a pipeline deeper than
// a server's socket buffers hold, is a slip too.
constexpr int32_t kMaxClients = 10000;
constexpr int32_t kMaxTimeoutSeconds = 86400;
constexpr int32_t kMaxPipeline = 10000;
constexpr double kMaxSpeed = 1e6;

// The option an argument matches, with its value (the rest of the
// argument), or null.
const Option* match(const char* argument, const char** value) {
  for (const Option& option : kOptions) {
    size_t length = std::strlen(option.text);
    if (option.kind == Kind::exact ? std::strcmp(argument, option.text) == 0
                                   : std::strncmp(argument, option.text, length) == 0) {
      *value = argument + length;
      return &option;
    }
  }
  return nullptr;
}

// A short option's value: the rest of the argument, or else the next
// argument (taken, so `*i` moves past it); null when there is none.
const char* short_value(const Option& option, const char* value, int argc, const char* const* argv, int* i) {
  if (option.kind != Kind::short_option || *value != '\0') return value;
  if (*i + 1 >= argc) return nullptr;
  return argv[++*i];
}

void warn_unrecognized(const char* argument) {
  message_line("Warning : unrecognized argument ", argument);
}

// A count that sizes what a query shows (--page-size=, --answers-limit=):
// a whole number from 0; anything else (trailing text, a negative value, one
// past the type's range) would make broken tables, so it is warned about
// and the option keeps its current value. False then.
bool count_value(const char* argument, const char* value, int32_t* count);

morvane::WString latin1(const char* text) { return morvane::WString(text, morvane::codepage_latin1); }

void set_code_page(const char* name) {
  morvane::CodePage code_page = morvane::codepage_from_name(name);
  if (code_page == morvane::codepage_invalid) {
    message_line("Invalid code page, defaulting to iso-8859-1");
    code_page = morvane::codepage_latin1;
  }
  settings.code_page = code_page;
}

// The value is cut at every ',' and ';'; each piece, empty ones included,
// is one entry, except an empty piece after the last separator.
void add_inputs(const char* value) {
  for (const morvane::WString& entry : morvane::split(latin1(value), ",;", false)) {
    settings.sql_inputs.push_back(entry);
  }
}

// Sessions and statements size the pool and the batches; below 1 they mean
// nothing, so they are taken as 1.
void at_least_one(int32_t& value, const char* name) {
  if (value >= 1) return;
  message_line("Warning : ", name, " below 1, taken as 1");
  value = 1;
}


// --format=table|csv|tsv|unaligned; anything else warns and gives the table.
void set_format(const char* argument, const char* value) {
  static constexpr struct {
    const char* name;
    OutputFormat format;
  } kFormats[] = {{"table", OutputFormat::table},
                  {"csv", OutputFormat::csv},
                  {"tsv", OutputFormat::tsv},
                  {"unaligned", OutputFormat::unaligned}};
  for (const auto& known : kFormats) {
    if (std::strcmp(value, known.name) == 0) {
      settings.format = known.format;
      return;
    }
  }
  warn_unrecognized(argument);
  settings.format = OutputFormat::table;
}

// --protocol=simple|prepared; anything else warns and keeps simple.
void set_protocol(const char* argument, const char* value) {
  const bool prepared = std::strcmp(value, "prepared") == 0;
  if (!prepared && std::strcmp(value, "simple") != 0) warn_unrecognized(argument);
  settings.prepared = prepared;
}

// --on-error=stop|continue; anything else warns and gives continue.
void set_on_error(const char* argument, const char* value) {
  bool known = std::strcmp(value, "stop") == 0 || std::strcmp(value, "continue") == 0;
  if (!known) warn_unrecognized(argument);
  settings.stop_on_error = std::strcmp(value, "stop") == 0;
}

// The load-run options take their whole value or nothing: "5x" is not 5
// here, as a rate read wrongly would run a load at the wrong speed. A value
// that does not parse, or lies outside its bounds, is warned about on
// standard error (standard output carries only what it always did) and the
// option keeps its default.
void warn_bad_value(const char* argument, const char* expected) {
  error_line("Warning : ignoring ", argument, (std::string(": ") + expected).c_str());
}

bool whole_number(const char* value, int32_t low, int32_t high, int32_t* result) {
  char* end = nullptr;
  errno = 0;
  long parsed = std::strtol(value, &end, 10);
  if (end == value || *end != '\0' || errno != 0 || parsed < low || parsed > high) return false;
  *result = static_cast<int32_t>(parsed);
  return true;
}

bool count_value(const char* argument, const char* value, int32_t* count) {
  if (whole_number(value, 0, INT32_MAX, count)) return true;
  warn_bad_value(argument, "a whole number from 0 (the default) to 2147483647");
  return false;
}

void set_progress(const char* argument, const char* value) {
  if (!whole_number(value, 0, kMaxProgressSeconds, &settings.progress_seconds)) {
    warn_bad_value(argument, "the interval is a whole number of seconds from 0 (none) to 86400");
  }
}

void set_late(const char* argument, const char* value) {
  if (!whole_number(value, 1, kMaxLateMs, &settings.late_ms)) {
    warn_bad_value(argument, "the limit is a whole number of milliseconds from 1 to 3600000");
  }
}

void set_rate(const char* argument, const char* value) {
  char* end = nullptr;
  errno = 0;
  double rate = std::strtod(value, &end);
  if (end == value || *end != '\0' || errno != 0 || !std::isfinite(rate) || rate < kMinRate || rate > kMaxRate) {
    warn_bad_value(argument, "the rate is a number of statements per second above 0 (at least 0.001, at most 10000000)");
    return;
  }
  settings.rate = rate;
}

void set_clients(const char* argument, const char* value) {
  if (!whole_number(value, 1, kMaxClients, &settings.clients)) {
    warn_bad_value(argument, "the clients are a whole number from 1 to 10000");
  }
}

void set_pipeline(const char* argument, const char* value) {
  if (!whole_number(value, 1, kMaxPipeline, &settings.pipeline)) {
    warn_bad_value(argument, "the depth is a whole number of statements from 1 to 10000");
  }
}

void set_speed(const char* argument, const char* value) {
  char* end = nullptr;
  errno = 0;
  double speed = std::strtod(value, &end);
  if (end == value || *end != '\0' || errno != 0 || !std::isfinite(speed) || speed < 0 || speed > kMaxSpeed) {
    warn_bad_value(argument, "the speed is a number from 0 (as fast as possible) to 1000000 (1: as recorded)");
    return;
  }
  settings.speed = speed;
}

// --start-at=: Unix seconds ("1765198800", "1765198800.5"), or ISO 8601
// ("2026-12-08T13:00:00Z", "2026-12-08 14:00:00+01:00"; without a zone,
// local time).
// A start further off than this is a mistake (a time in milliseconds, a
// year too far): the run would wait without end in sight.
constexpr double kLatestStartSeconds = 7 * 86400.0;

// Takes `seconds` as --start-at, unless it is further off than a week.
void start_at(const char* argument, double seconds) {
  if (seconds - static_cast<double>(std::time(nullptr)) > kLatestStartSeconds) {
    warn_bad_value(argument, "the time is more than a week away");
    return;
  }
  settings.start_at = seconds;
}

void set_start_at(const char* argument, const char* value) {
  char* end = nullptr;
  errno = 0;
  double seconds = std::strtod(value, &end);
  if (end != value && *end == '\0' && errno == 0 && std::isfinite(seconds) && seconds > 0 &&
      std::strchr(value, '-') == nullptr) {
    start_at(argument, seconds);
    return;
  }
  tm parts{};
  const char* rest = strptime(value, "%Y-%m-%dT%H:%M:%S", &parts);
  if (rest == nullptr) rest = strptime(value, "%Y-%m-%d %H:%M:%S", &parts);
  double fraction = 0;
  if (rest != nullptr && *rest == '.') {
    char* after = nullptr;
    fraction = std::strtod(rest, &after);
    rest = after;
  }
  bool zoned = false;
  long offset = 0;
  if (rest != nullptr && (*rest == 'Z' || *rest == 'z')) {
    zoned = true;
    ++rest;
  } else if (rest != nullptr && (*rest == '+' || *rest == '-')) {
    int hours = 0, minutes = 0;
    int used = 0;
    if (std::sscanf(rest + 1, "%2d:%2d%n", &hours, &minutes, &used) == 2 && hours < 24 && minutes < 60) {
      zoned = true;
      offset = (*rest == '-' ? -1 : 1) * (hours * 3600L + minutes * 60L);
      rest += 1 + used;
    } else {
      rest = nullptr;
    }
  }
  if (rest == nullptr || *rest != '\0') {
    warn_bad_value(argument, "the time is ISO 8601 (2026-12-08T13:00:00Z) or Unix seconds");
    return;
  }
  const time_t whole = zoned ? timegm(&parts) - offset : mktime(&parts);
  start_at(argument, static_cast<double>(whole) + fraction);
}

// The names of a comma-separated list, into `names`.
void add_report_names(const char* list, std::vector<std::string>& names) {
  std::string rest = list;
  size_t at = 0;
  while (at <= rest.size()) {
    size_t comma = rest.find(',', at);
    std::string name = rest.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (!name.empty()) names.push_back(name);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
}

void set_report(const char* argument, const char* path) {
  if (*path == '\0') {
    warn_bad_value(argument, "no file named; the report goes to standard error");
    path = "";
  }
  settings.report = true;
  settings.report_path = path;
}

// Whether standard output will carry data for another program: the last
// --format= names a machine format, or --report=- writes the report there.
// Known before the arguments are acted on, so that every warning goes
// where the run's messages go.
bool machine_output_asked(int argc, const char* const* argv) {
  bool machine = false, report_out = false;
  for (int i = 1; i < argc; ++i) {
    const char* value = nullptr;
    const Option* option = match(argv[i], &value);
    if (option == nullptr) continue;
    value = short_value(*option, value, argc, argv, &i);
    if (value == nullptr) continue;
    if (option->action == Action::format) {
      machine = std::strcmp(value, "csv") == 0 || std::strcmp(value, "tsv") == 0 ||
                std::strcmp(value, "unaligned") == 0;
    } else if (option->action == Action::report_file) {
      report_out = std::strcmp(value, "-") == 0;
    } else if (option->action == Action::report) {
      report_out = false;
    }
  }
  return machine || report_out;
}

// -c / --command=: the text becomes a source in the order of the others.
void add_command(const char* argument, const char* text) {
  if (*text == '\0') {
    warn_bad_value(argument, "no SQL given; nothing is run");
    return;
  }
  settings.commands[settings.sql_inputs.size()] = text;
  settings.sql_inputs.push_back(latin1("-c"));
}

bool charset_is_utf8(const std::string& charset) {
  return strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0;
}

}  // namespace

ParseResult parse_arguments(int argc, const char* const* argv) {
  set_messages_to_stderr(machine_output_asked(argc, argv));
  // --help alone lists the options and ends the run; among other
  // arguments it prints the usage line and the run goes on.
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    print_usage();
    print_options();
    return ParseResult::help_shown;
  }
  bool code_page_given = false, page_size_given = false, answers_limit_given = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const char* value = nullptr;
    const Option* option = match(argument, &value);
    if (option == nullptr) {
      warn_unrecognized(argument);
      continue;
    }
    value = short_value(*option, value, argc, argv, &i);
    if (value == nullptr) {
      warn_bad_value(argument, "it takes a value");
      continue;
    }
    switch (option->action) {
      case Action::help: print_usage(); break;
      case Action::version: print_banner(); return ParseResult::version_shown;
      case Action::limit:
        if (!whole_number(value, 0, INT32_MAX, &settings.statement_limit)) {
          warn_bad_value(argument, "the limit is a whole number of statements, 0 for none");
        } else if (settings.statement_limit == 0) {
          settings.statement_limit = -1;
        }
        break;
      case Action::page_size:
        if (!count_value(argument, value, &settings.page_size)) break;
        page_size_given = true;
        if (settings.page_size == 0) settings.page_size = 20;
        break;
      case Action::answers_limit:
        if (!count_value(argument, value, &settings.answers_limit)) break;
        answers_limit_given = true;
        if (settings.answers_limit == 0) settings.answers_limit = 1024;
        break;
      case Action::sessions:
        if (!whole_number(value, INT32_MIN, INT32_MAX, &settings.sessions)) {
          warn_bad_value(argument, "sessions are a whole number from 1 to 2147483647");
        }
        break;
      case Action::statements:
        if (!whole_number(value, INT32_MIN, INT32_MAX, &settings.statements)) {
          warn_bad_value(argument, "statements are a whole number from 1 to 2147483647");
        }
        break;
      case Action::default_language: settings.default_language = value; break;
      case Action::verbose: settings.verbose = true; break;
      case Action::ignore_create: settings.ignore_create = true; break;
      case Action::ignore_select: settings.ignore_select = true; break;
      case Action::ignore_delete: settings.ignore_delete = true; break;
      case Action::ignore_switch: settings.ignore_switch = true; break;
      case Action::ignore_backup: settings.ignore_backup = true; break;
      case Action::ignore_execute: settings.ignore_execute = true; break;
      case Action::ignore_transaction: settings.ignore_transaction = true; break;
      case Action::immediate_is_simple_commit: settings.immediate_is_simple_commit = true; break;
      case Action::no_connect_disconnect: settings.connect_disconnect = false; break;
      case Action::quiet: settings.quiet = true; break;
      case Action::silent:
        settings.quiet = true;
        settings.suppress_results = true;
        settings.verbose = false;
        break;
      case Action::raw: settings.raw = true; break;
      case Action::debug: settings.debug = true; break;
      case Action::mode_read: settings.read_only = true; break;
      case Action::mode_write: settings.read_only = false; break;
      case Action::user:
        settings.user = latin1(value);
        settings.user_given = true;
        break;
      case Action::port:
        settings.port = latin1(value);
        settings.port_given = true;
        break;
      case Action::host:
        settings.host = latin1(value);
        settings.host_given = true;
        break;
      case Action::dbname: settings.database = value; break;
      case Action::command: add_command(argument, value); break;
      case Action::utf8:
        code_page_given = true;
        settings.code_page = morvane::codepage_utf8;
        break;
      case Action::code_page:
        code_page_given = true;
        set_code_page(value);
        break;
      case Action::timeout:
        if (!whole_number(value, 0, kMaxTimeoutSeconds, &settings.timeout)) {
          warn_bad_value(argument, "the timeout is a whole number of seconds from 0 (none) to 86400");
        }
        break;
      case Action::sql: add_inputs(value); break;
      case Action::format: set_format(argument, value); break;
      case Action::on_error: set_on_error(argument, value); break;
      case Action::progress: set_progress(argument, value); break;
      case Action::report:
        settings.report = true;
        settings.report_path.clear();
        break;
      case Action::report_file: set_report(argument, value); break;
      case Action::rate: set_rate(argument, value); break;
      case Action::late: set_late(argument, value); break;
      case Action::clients: set_clients(argument, value); break;
      case Action::pipeline: set_pipeline(argument, value); break;
      case Action::protocol: set_protocol(argument, value); break;
      case Action::speed: set_speed(argument, value); break;
      case Action::merge_reports: add_report_names(value, settings.merge_reports); break;
      case Action::compare_reports: add_report_names(value, settings.compare_reports); break;
      case Action::start_at: set_start_at(argument, value); break;
      case Action::spread_hosts: settings.spread_hosts = true; break;
      case Action::no_pager: settings.pager = false; break;
    }
  }
  // Standard output carries the results; the report joins it only when
  // nothing else is written there.
  if (settings.report_path == "-" && !settings.suppress_results) {
    error_line("Warning : --report=- needs --silent; the report goes to standard error");
    settings.report_path.clear();
  }
  at_least_one(settings.sessions, "sessions");
  at_least_one(settings.statements, "statements");
  // Independent clients open their own sessions: the pool's options would
  // only be a second, conflicting plan for the same statements.
  if (settings.clients > 0 && !single_mode()) {
    error_line("Warning : --clients= runs its own sessions; --sessions= and --statements= are ignored");
    settings.sessions = 1;
    settings.statements = 1;
  }
  if (settings.clients == 0 && single_mode() && settings.spread_hosts) {
    error_line("Warning : --spread-hosts needs --clients= or a pool (--sessions=); ignoring it");
    settings.spread_hosts = false;
  }
  if (settings.clients == 0 && settings.pipeline > 1) {
    error_line("Warning : --pipeline= needs --clients=; ignoring it");
    settings.pipeline = 1;
  }
  if (settings.clients == 0 && settings.prepared) {
    error_line("Warning : --protocol= needs --clients=; ignoring it");
    settings.prepared = false;
  }
  // The engine code page follows the locale's character set, as the
  // engines' own clients do: UTF-8 text stays UTF-8. The C locale keeps
  // ISO-8859-1.
  if (!code_page_given && charset_is_utf8(morvane::platform::locale_charset())) {
    settings.code_page = morvane::codepage_utf8;
  }
  // Data for another program is every row, unless a limit was asked for;
  // the framed table keeps its page and its count limit.
  if (settings.format != OutputFormat::table) {
    if (!page_size_given) settings.page_size = INT32_MAX;
    if (!answers_limit_given) settings.answers_limit = INT32_MAX;
  }
  set_messages_to_stderr(settings.format != OutputFormat::table || settings.report_path == "-");
  return ParseResult::go_on;
}

void print_usage() {
  out_text(
      "Usage : Tarnwick [--host=<host>] [--port=<port>] [--user=<user>] [--mode=r|w] "
      "[--quiet] [--verboze] [--raw] [--help] [--timeout=value in seconds] "
      "[--sessions=value] [--statements=value]");
  end_line();
}

void print_options() {
  static constexpr struct {
    Group group;
    const char* title;
  } kGroups[] = {{Group::connecting, "Connecting:"},
                 {Group::input, "Input:"},
                 {Group::output, "Output:"},
                 {Group::load, "Load runs:"},
                 {Group::terminal, "Terminal and program:"}};
  for (const auto& group : kGroups) {
    out_text(group.title);
    end_line();
    for (const Option& option : kOptions) {
      if (option.group != group.group) continue;
      // The value an option takes stands before ": " in its help.
      std::string name = option.text, help = option.help;
      size_t colon = help.find(": ");
      if (option.kind != Kind::exact && colon != std::string::npos) {
        name += (option.kind == Kind::short_option ? " " : "") + help.substr(0, colon);
        help.erase(0, colon + 2);
      }
      name.resize(std::max<size_t>(name.size() + 1, 34), ' ');
      out_text(("  " + name + help).c_str());
      end_line();
    }
  }
}

std::vector<std::string> option_texts() {
  std::vector<std::string> texts;
  for (const Option& option : kOptions) texts.emplace_back(option.text);
  return texts;
}

void print_banner() {
  out_text("Tarnwick release ");
  out_number(kVersionMajor);
  out_char('.');
  out_number(kVersionMinor);
  out_char('.');
  out_number(kVersionPatch);
  out_char('(');
  out_text(kBuildDate);
  out_text(") [revision #");
  out_number(kRevision);
  out_char(']');
  end_line();
}

}  // namespace tarnwick
