// The process-wide connection records (declared in session/connection.h),
// kept apart from the code that opens connections so that the renderer can
// read them without linking the session library.
#include "session/connection.h"

namespace tarnwick {

ClientError client_error;
ql_handle connection = 0;

}  // namespace tarnwick
