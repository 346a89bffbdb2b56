// Running one statement: the ignore filters, sending it alone or in the
// pending batch, and the statement limit.
#pragma once

#include <cstdint>

#include "runtime/outcome.h"
#include "sqltext/statement_info.h"
#include "session/clients.h"

namespace tarnwick {

// Statements taken by run_statement since the process started.
extern uint32_t executed_count;

// Runs `text` (NUL-terminated; the filters may blank its start in place)
// and returns what came of it: a failure to report, and Next::end_source
// once the statement limit is reached. The run's runner (session/runner.h)
// sends it; with independent clients its outcome comes back only in the
// run's counts.
// `info` is the statement's reading (read_statement_info); nothing on the
// way to the client library reads the text again.
Outcome run_statement(char* text, const sqltext::StatementInfo& info, const StatementOrigin& origin = {});

// Reads what the run needs of a statement (sqltext::classify_head), in the
// lexical syntax of the host's engine.
sqltext::StatementInfo read_statement_info(const char* text);

// Applies the ignore switches to the non-query statement `text`: returns
// true when they drop it. Not a pure test: under --immediate-is-simple-commit
// it blanks a leading "immediate" in place, so that it runs as a commit.
bool apply_filters(char* text);

}  // namespace tarnwick
