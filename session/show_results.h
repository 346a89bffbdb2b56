// Shows what a statement or a batch left in the result slots: one table or
// "affected" line per entry, on standard output (a table taller than the
// terminal through the pager, session/pager.h), with the switches of the
// run settings.
#pragma once

#include <cstddef>

#include "ql_client/ql_client.h"

namespace tarnwick {

// Renders the outcomes of slots 0 to count - 1. `cursor` is read only for
// queries, and for the entries of other statements that the engine
// answered with rows (result_slots.returns_rows); entry i of a batch
// cursor, or the one entry of a statement sent alone.
void print_results(bool query, ql_cursor cursor, size_t count);

}  // namespace tarnwick
