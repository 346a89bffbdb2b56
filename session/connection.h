// The connection to the engine: opening and closing in single or pool mode,
// and report_error. The handle and the error record themselves live in
// runtime/client_error.h.
#pragma once

#include "ql_client/ql_client.h"
#include "runtime/client_error.h"

namespace tarnwick {

// Opens a connection (single mode) or a pool (pool mode) from the run
// settings. When statements is 1, first seeds the pending batch with one
// empty entry, so that every result is shown as slot 0. Callers test
// client_error.code; the handle is returned either way.
ql_handle connect();

// Closes the handle when it is not 0, and sets it to 0.
void disconnect(ql_handle* handle);

// disconnect, then connect, storing the new handle. Reports nothing.
void reconnect(ql_handle* handle);

// Writes "Error : " and the client message (converted for a terminal) on
// standard output. Under --on-error=stop, outside a terminal, it also ends
// the run (runtime/run_end.h).
void report_error();

}  // namespace tarnwick
