#include "runtime/client_error.h"

namespace tarnwick {

ClientError client_error;
ql_handle connection = 0;

}  // namespace tarnwick
