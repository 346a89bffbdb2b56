// Statements a pipeline may read cheaply, told from their text alone: plain
// reads, which may share a sync point in a read-only session, and selects of
// literals, whose one small row is read without single-row mode.
#pragma once

#include <string_view>

namespace ql {

// Whether a statement only reads and calls nothing: a SELECT with no
// parenthesis (no function call, no subquery) and no second statement. In a
// read-only session such statements change nothing, so running several
// in one implicit transaction, under one sync point, gives each the
// outcome it has alone; the items after one that fails are run again (see
// read_pipeline). Every other statement keeps a sync point of its own, and
// so its own implicit transaction.
bool plain_read(std::string_view text);

// Whether a statement is "select" and a list of items, each a literal (a
// number, perhaps signed; a plain quoted string; true, false or null) or a
// parameter ($n), perhaps cast (::name) and named ([as] name), then perhaps
// a semicolon. Such a statement is one row that its text bounds, as
// keep-alive checks ("select 1") are. Anything else (a FROM, a call, an
// operator) may return any number of rows.
bool literal_row(std::string_view text);

}  // namespace ql
