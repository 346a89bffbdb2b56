// Shows what a statement or a batch left in the result slots: one table or
// "affected" line per entry of pending_statements, on standard output, with
// the switches of the run settings.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Renders one outcome per entry of pending_statements. `cursor` is read
// only for queries: single-statement cells in single mode, pool cells in
// pool mode.
void print_results(bool query, ql_cursor cursor);

}  // namespace tarnwick
