// The command interpreter: recognises the console commands among the
// statements of a text source and hands every other statement to execution.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Interprets one statement (NUL-terminated). Clears *stop_flag; sets it for
// the quit words and for a reconnect that reports a lost connection.
void interpret(const char* text, ql_handle* handle, bool* stop_flag);

}  // namespace tarnwick
