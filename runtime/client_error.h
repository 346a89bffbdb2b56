// The process-wide connection records: the one error record handed to every
// client-library call, and the handle of the open connection or pool.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// The one error record handed to every client-library call.
extern ClientError client_error;

// The handle of the open connection or pool; 0 when none is open. Owned by
// the driver; the command interpreter and execution replace it through
// reconnect and disconnect.
extern ql_handle connection;

}  // namespace tarnwick
