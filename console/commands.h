// The command interpreter: recognises the console commands among the
// statements of a text source and hands every other statement to execution.
#pragma once

#include "ql_client/ql_client.h"
#include "runtime/outcome.h"

namespace tarnwick {

// Interprets one statement (NUL-terminated) and returns what came of it:
// Next::end_source for the quit words and for a reconnect that lost the
// connection, a failure for the loop to report.
Outcome interpret(const char* text, ql_handle* handle);

}  // namespace tarnwick
