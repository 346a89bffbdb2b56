// RunState: what a script may change while the run goes on, beside the
// settings of the command line, which stay as parsed. Main thread only.
#pragma once

#include <string>

namespace tarnwick {

struct RunState {
  // A failure ends the run: --on-error=stop, then psql's "\set
  // ON_ERROR_STOP" and the sqlite3 shell's ".bail" in scripts.
  bool stop_on_error = false;
  // psql's "\timing on" and the sqlite3 shell's ".timer on": each
  // statement's time is written after it.
  bool timing = false;
  // Whether a result taller than the terminal goes through the pager:
  // off under --no-pager, then as psql's "\pset pager" sets it.
  bool pager = true;
  // The database that psql's "\connect" named; empty: the host's own.
  std::string database;
  // What the run met that its exit code must tell, though it went on: a
  // source that could not be read (1), a connection lost with statements
  // not sent (2).
  bool unreadable_source = false;
  bool lost_connection = false;
  // A replay log plays: its statements go to the server exactly as they
  // are (ql_set_exact), as every statement of a pool or clients run does.
  bool replaying = false;
};

extern RunState run_state;

// Starts it from the settings (after the arguments are parsed).
void start_run_state();

}  // namespace tarnwick
