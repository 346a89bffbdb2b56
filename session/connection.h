// The connection to the engine: the process-wide connection handle and error
// record, opening and closing in single or pool mode, and report_error.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// The one error record handed to every client-library call.
extern ClientError client_error;

// The handle of the open connection or pool; 0 when none is open. Owned by
// the driver; the command interpreter and execution replace it through
// reconnect and disconnect.
extern ql_handle connection;

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
// standard output.
void report_error();

}  // namespace tarnwick
