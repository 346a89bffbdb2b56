// Where engine notices go: the one receiver the program set, for every
// session, on whatever thread the session runs.
#pragma once

#include "ql_client/ql_client.h"

namespace ql {

void set_notice_receiver(ql_notice_receiver receiver, void* context);

// Hands `message` to the receiver, or drops it when none is set.
void send_notice(const char* message);

}  // namespace ql
