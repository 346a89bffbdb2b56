// Running one statement: the ignore filters, sending it alone or in the
// pending batch, and the statement limit.
#pragma once

#include <cstdint>

#include "runtime/outcome.h"
#include "session/clients.h"

namespace tarnwick {

// Statements taken by run_statement since the process started.
extern uint32_t executed_count;

// Runs `text` (NUL-terminated; the filters may blank its start in place)
// and returns what came of it: a failure to report, and Next::end_source
// once the statement limit is reached. With independent clients the
// statement is dealt to them (with its origin in a captured log), and its
// outcome comes back only in the run's counts.
Outcome run_statement(char* text, bool query, const StatementOrigin& origin = {});

// Applies the ignore switches to the non-query statement `text`: returns
// true when they drop it. Not a pure test: under --immediate-is-simple-commit
// it blanks a leading "immediate" in place, so that it runs as a commit.
bool apply_filters(char* text);

// Whether the statement's first word is "copy": in pool mode it is sent
// alone, so that the engine can ask for its data.
bool is_copy(const char* text);

}  // namespace tarnwick
