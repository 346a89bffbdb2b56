// A scriptable fake of the client library (the C functions of
// ql_client/ql_client.h) for the console's unit tests.
//
// Outcomes are queued with push() and taken in order, one per statement:
// by ql_query and ql_do, and one per entry by the batch calls. With nothing
// queued a query returns an empty result and any other statement affects one
// row. Every call is written to the call log. Timings are real: each entry
// starts at its due time (ql_schedule_next) and takes its stall_ms; entry i
// of a batch is put on session i mod the pool's sessions.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake_ql {

using Cell = std::optional<std::string>;  // nullopt is SQL NULL

struct Outcome {
  std::vector<std::string> captions;
  std::vector<std::vector<Cell>> rows;   // the fetched page
  int32_t row_count = -2;                // reported rows; -2 means rows.size()
  std::set<std::pair<int32_t, int32_t>> failing_cells;  // (row, column)
  int32_t affected = 1;                  // ql_do's result
  bool returns_rows = false;             // ql_run and ql_pool_run answer with the rows
  // What ql_copy hands its sink, and ql_run and ql_do the sink of
  // ql_set_copy_streams.
  std::string copy_out;
  // The engine asks for COPY data: ql_run and ql_do pull the source of
  // ql_set_copy_streams until it returns 0, or -1 (the statement then fails
  // with "COPY from stdin failed: <reason>"); without a source they fail
  // with "COPY from the client is not supported".
  bool copy_in = false;
  int32_t error_code = 0;                // set by the statement's call
  std::string error_text;
  std::vector<std::string> notices;      // sent to the notice handler as it runs
  int32_t stall_ms = 0;                  // the statement takes this long
};

// Forgets the queue, the log, the handles and cursors, the COPY streams,
// the transaction flag and the settings; open and list_db succeed again.
void reset();
void push(Outcome outcome);
// The next ql_open / ql_pool_open fails with this code.
void fail_next_open(int32_t code, const std::string& text);
// ql_list_db fails this many times before it answers (-1: never answers).
void set_list_db_failures(int32_t failures);
// What ql_in_transaction answers (1 or 0) from now on; 0 until set.
void set_in_transaction(bool open);
// What ql_parameter_status answers for `name` from now on; a setting
// never set answers null.
void set_parameter(const std::string& name, const std::string& value);

// "open", "pool_open <sessions>", "close <h>", "pool_close <h>",
// "query <text>", "do <text>" (ql_do and ql_run), "copy_in <text>|<data
// pulled from the source>" (ql_do and ql_run of an outcome with copy_in),
// "pool_query <t1>|<t2>...", "pool_do <t1>|<t2>..." (ql_pool_do and
// ql_pool_run), "copy <text>|<data>", "close_cursor <c>",
// "pool_close_cursor <c>", "list_db". ql_cancel, ql_set_notice_handler and
// ql_set_copy_streams are not logged: the first may come from another
// thread (see cancels()), the others set a handle up as it opens. Nor are
// the reads ql_in_transaction, ql_parameter_status and ql_pool_caption.
const std::vector<std::string>& calls();
// The arguments of the last open call, space-separated.
const std::string& last_open_arguments();
// The due times given to ql_schedule_next, in order, over all calls.
const std::vector<int64_t>& scheduled();
// Texts handed out and not yet released with ql_mfree.
int64_t texts_outstanding();
// ql_cancel calls since the last reset, from any thread.
int32_t cancels();

}  // namespace fake_ql
