// The statement loop: pulls each statement from its source's reader, runs
// it (console/commands.cpp), and acts on what came of it. The only place
// where a failure is reported and a run is told to stop.
//
//   reader.next()  ->  interpret()  ->  run_statement()  ->  send_alone() or
//   (statements/)      (console/)       (session/)           append_to_batch()
//                                                                 |
//   settle()  <-  Outcome  <-----------------------------------------+
//
// The results are written by the session layer as each statement or batch
// is sent (session/show_results.cpp); failures are written here.
#pragma once

#include <string>
#include <string_view>

#include "runtime/outcome.h"
#include "statements/replay_log.h"
#include "statements/statement_reader.h"
#include "terminal/terminal_input.h"

namespace tarnwick {

// Runs the statements of a script or pipe to its end, or until one of them
// ends the source or the run. Returns why the run ends, or RunEnd::none.
// A fed reader (no source: -c) is given `fed`, its whole text.
RunEnd run_script(StatementReader& reader, std::string_view fed = {});

// The same for standard input at a terminal: lines are read for the reader
// as it asks, with the prompt it says; Ctrl-C at the prompt throws the
// typed statement away, during a statement cancels it.
RunEnd run_typed(StatementReader& reader, TerminalInput& terminal);

// The engine and database the prompt names for the open connection: the
// database it opened, when the engine says (PostgreSQL, however it was
// chosen: named, PGDATABASE, a service); else as the settings and
// environment name it.
std::string connection_prompt_name();

// Plays a replay log to its end: only the end of the run stops it.
RunEnd run_replay(ReplayLogReader& log);

// Reports what came of a statement (the one place that writes a failure)
// and says where the loop goes: Next::end_run sets *end to why.
Next settle(const Outcome& outcome, RunEnd* end);

// Sends the batch still pending when the sources have ended, and acts on
// what came of it as on a statement's outcome.
RunEnd send_pending();

}  // namespace tarnwick
