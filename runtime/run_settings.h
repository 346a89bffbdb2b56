// RunSettings: the process-wide run settings, filled once from the command
// line (console/arguments.cpp) and read-only afterwards, and the three
// values that live beside them: the two console flags and the start time.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "support/codepage/codepage.h"
#include "support/string/wstring.h"

namespace tarnwick {

// How query results are written: the framed table with its count line, or
// the row-per-line forms that other programs read (as psql --csv, psql -A
// -F '\t' and psql -A write them, without footers).
enum class OutputFormat { table, csv, tsv, unaligned };

struct RunSettings {
  // Texts from the command line, built from the argument bytes read as
  // ISO-8859-1, so narrow(0) hands them on byte for byte.
  morvane::WString host{"127.0.0.1", morvane::codepage_latin1};
  morvane::WString port{"8088", morvane::codepage_latin1};
  morvane::WString user{"Tarnwick", morvane::codepage_latin1};
  // Which of the three the command line gave: only those are handed to the
  // engine, which takes the rest from its environment before the defaults
  // above (PostgreSQL: PGHOST, PGPORT, PGUSER, a service).
  bool host_given = false, port_given = false, user_given = false;
  std::string database;  // --dbname= / -d; empty: the engine's default
  bool read_only = true;
  int32_t statement_limit = -1;  // -1: no limit
  int32_t page_size = 20;
  int32_t answers_limit = 1024;
  int32_t sessions = 1;
  int32_t statements = 1;
  std::string default_language = "English";
  morvane::CodePage code_page = morvane::codepage_latin1;
  bool verbose = false;
  bool quiet = false;
  bool suppress_results = false;
  bool raw = false;
  bool debug = false;
  bool ignore_create = false;
  bool ignore_select = false;
  bool ignore_delete = false;
  bool ignore_switch = false;
  bool ignore_backup = false;
  bool ignore_execute = false;
  bool ignore_transaction = false;
  bool immediate_is_simple_commit = false;
  bool connect_disconnect = true;
  std::vector<morvane::WString> sql_inputs;  // "-" is standard input
  // The texts of -c / --command=, by their place in sql_inputs (whose entry
  // there is "-c").
  std::map<size_t, std::string> commands;
  int32_t timeout = 0;                       // server-wait attempts
  OutputFormat format = OutputFormat::table;  // --format=
  bool stop_on_error = false;                 // --on-error=stop
  bool pager = true;                          // --no-pager: false

  // Load runs; what these produce goes to standard error or a file only.
  int32_t progress_seconds = -1;  // --progress=; -1: 5 s when standard error is a terminal
                                  // and the run plays a replay log or a pool; 0: none
  bool report = false;            // --report or --report=PATH
  std::string report_path;        // empty: text on standard error; else JSON ("-": standard output)
  double rate = 0;                // --rate=: statements per second; 0: as fast as they go
  int32_t late_ms = 1000;         // --late=: a scheduled statement later than this is counted
  // Independent clients (--clients=N): N sessions, each running its share
  // of the statements in order on its own, up to --pipeline= statements in
  // flight. 0: the pool and its batches.
  int32_t clients = 0;
  int32_t pipeline = 1;
  // --protocol=prepared: on PostgreSQL, statements that repeat with other
  // literals run as prepared statements, as a program that prepares them.
  bool prepared = false;
  // --speed=: a captured log's statements are sent at their recorded times
  // divided by this (1: as recorded; 0: as fast as they go); below 0: not
  // given, which plays a captured log as recorded.
  double speed = -1;
  // --merge-reports=: JSON reports of earlier runs to merge into one report
  // (--report=); nothing connects then.
  std::vector<std::string> merge_reports;
  // --start-at=: the wall-clock time (Unix seconds) at which the first
  // statement starts, so that runs on several hosts start together; 0: at once.
  double start_at = 0;
  // --spread-hosts: independent clients go to the hosts of --host= in turn.
  bool spread_hosts = false;
  // --compare-reports=: two JSON reports (before, after) compared on
  // standard output (and as a page into a --report=FILE.html); nothing
  // connects then.
  std::vector<std::string> compare_reports;
};

extern RunSettings settings;

// True when standard output / standard input is a terminal. Set by the
// driver at start-up; input_is_console is cleared once a named source is
// reached and never set again.
extern bool output_is_console;
extern bool input_is_console;

// Calendar time in whole seconds, taken when the process starts (before the
// arguments are parsed); the "wait" command counts from it.
extern const std::time_t start_time;

// Single mode: one connection, one statement at a time. Any other pair of
// sessions and statements is pool mode.
inline bool single_mode() { return settings.sessions == 1 && settings.statements == 1; }

// Batches of one: every statement is sent as it comes, alone, through the
// single-statement calls (the only test of the batch size outside the
// argument parser). Larger batches go through the pool calls.
inline bool one_at_a_time() { return settings.statements == 1; }

}  // namespace tarnwick
