// The outcome of one statement: its counts, the captions and the fetched
// page of a query, or its failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ql_client/core/failure.h"
#include "ql_client/core/page.h"

namespace ql {

// How much of a result a query keeps. A page size below 1 keeps no rows;
// an answers limit below 1 counts every row.
struct Limits {
  int32_t page_size = 20;
  int32_t answers_limit = 1024;
  // The statements go to the engine as they are (ql_set_exact): inside a
  // transaction block a statement that reaches the answers limit is read
  // to its end rather than stopped behind a savepoint of ours.
  bool exact = false;
};

// Filled by an engine while it streams a result. Engines call begin_result
// for each result set (a text of several statements reports its last one),
// then for each row: row_wanted (stop when false), keep_cell for each
// column when keeps_next_row, and count_row.
class Outcome {
 public:
  Outcome() = default;
  explicit Outcome(Limits limits) : limits_(limits) {}

  // Starts a new result set with these column captions; forgets any earlier
  // one. `rows` is false for the answer of a statement that returns no rows.
  void begin_result(std::vector<std::string> captions, bool rows = true);
  // Whether the next row is still to be counted; false once the answers
  // limit is reached, when the engine should stop.
  bool row_wanted() const;
  // Whether the next row belongs to the fetched page.
  bool keeps_next_row() const;
  // Appends one cell of the row being kept, a copy of `length` bytes at
  // `value`; `value` null is SQL NULL.
  void keep_cell(const char* value, size_t length) {
    if (value == nullptr) {
      page_.add_null();
    } else {
      page_.add_text(value, length);
    }
  }
  // For a cell the engine converts as it keeps it: room for up to
  // `capacity` bytes, of which keep_written_cell keeps the first `length`.
  char* cell_room(size_t capacity) { return page_.open_text(capacity); }
  void keep_written_cell(size_t length) { page_.close_text(length); }
  // Counts the row just read (and closes it on the page when it was kept).
  void count_row();

  void set_affected(int64_t affected) { affected_ = affected; }
  // Releases the captions and the fetched page (after a failure that
  // leaves them half-read).
  void drop_page();
  const Limits& limits() const { return limits_; }
  // Records the first failure; later ones are dropped.
  void fail(Failure failure);
  // Records that the connection was lost, over any earlier failure.
  void lose(std::string text) { failure_ = Failure{QL_ERR_LOST, std::move(text)}; }

  // When the session sent the statement and when its answer was complete
  // (monotonic_ns); 0 until stamped.
  void stamp(int64_t started_ns, int64_t finished_ns) {
    started_ns_ = started_ns;
    finished_ns_ = finished_ns;
  }
  int64_t started_ns() const { return started_ns_; }
  int64_t finished_ns() const { return finished_ns_; }

  const Failure& failure() const { return failure_; }
  bool failed() const { return failure_.failed(); }
  int32_t columns() const { return failed() ? 0 : static_cast<int32_t>(captions_.size()); }
  // -1 marks a failed statement.
  int32_t rows() const { return failed() ? -1 : rows_; }
  int32_t fetched() const { return failed() ? 0 : fetched_; }
  int32_t affected() const;
  // Whether the last result set was rows (a row set, even of no rows).
  bool has_rows() const { return !failed() && has_rows_; }

  // The text of a cell of the fetched page, NUL-terminated, and its length
  // in bytes; *text null for SQL NULL. False when out of range. The text
  // lives as long as the outcome.
  bool cell(int32_t row, int32_t column, const char** text, size_t* length) const;
  const std::string* caption(int32_t column) const;

 private:
  Limits limits_;
  Failure failure_;
  std::vector<std::string> captions_;
  Page page_;  // the fetched rows' cells, row after row
  int32_t rows_ = 0;
  int32_t fetched_ = 0;
  int64_t affected_ = 0;
  bool has_rows_ = false;
  int64_t started_ns_ = 0;
  int64_t finished_ns_ = 0;
};

// Nanoseconds of CLOCK_MONOTONIC, the clock of every timestamp the library
// hands out.
int64_t monotonic_ns();

// Sleeps until monotonic_ns() reaches `due_ns`; returns at once when it has.
void sleep_until_ns(int64_t due_ns);

}  // namespace ql
