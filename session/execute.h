// Running one statement: the ignore filters, the single-statement calls or
// the pending batch, the statement limit and client error code 28.
#pragma once

#include <cstdint>

namespace tarnwick {

// Statements taken by run_statement since the process started.
extern uint32_t executed_count;

// Runs `text` (NUL-terminated; the filters may blank its start in place).
// Clears *stop_flag, and sets it when the current source must end: at the
// statement limit, or when a failed statement reports a lost connection.
void run_statement(char* text, bool query, bool* stop_flag);

// Applies the ignore switches to the non-query statement `text`: returns
// true when they drop it. Not a pure test: under --immediate-is-simple-commit
// it blanks a leading "immediate" in place, so that it runs as a commit.
bool apply_filters(char* text);

}  // namespace tarnwick
