// Result rendering: the count line and framed table of a query, the
// "affected" line of any other statement, for every slot of the pending
// batch, on standard output.
//
//   3 row(s)
//   +---+-----------+----+
//   |id |name       |city|
//   +---+-----------+----+
//   |1  |Ann        |    |
//   |22 |Bartholomew|Oslo|
//   |333|           |Rome|
//
// Every cell is left-aligned; a column is as wide as its caption or its
// longest fetched value, in bytes. Values are fetched twice (once to measure,
// once to print) and never kept, so memory does not grow with the rows. In
// raw mode nothing is measured and cells are written unpadded.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Renders one outcome per entry of pending_statements. `cursor` is read
// only for queries.
void print_results(bool query, ql_cursor cursor);

// Writes `text` (converted in place for a terminal) padded with blanks to
// `width` bytes; longer text is written whole. Null is an empty cell.
void print_cell(int64_t width, char* text);

}  // namespace tarnwick
