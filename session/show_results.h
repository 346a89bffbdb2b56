// Shows what a statement or a batch left in the result slots: one table or
// "affected" line per entry of pending_statements, on standard output, with
// the switches of the run settings.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Renders one outcome per entry of pending_statements. `cursor` is read
// only for queries, and for the entries of other statements that the
// engine answered with rows (result_slots.returns_rows): single-statement
// cells in single mode, pool cells in pool mode.
void print_results(bool query, ql_cursor cursor);

// Writes the affected line of one statement run on its own (a COPY in pool
// mode too).
void show_affected(int32_t rows);

}  // namespace tarnwick
