// Turns the results libpq hands out for one statement into its Outcome.
#pragma once

#include <libpq-fe.h>

#include "ql_client/core/outcome.h"
#include "ql_client/core/session.h"

namespace ql {

// Trailing newlines and blanks removed from a libpq message.
std::string pg_message(const char* text);

// Reads the results of one statement, as they come, in single-row mode or
// whole. A query keeps its first page; rows are counted up to the answers
// limit (a statement run by ql_do counts them as its affected rows). A
// statement that `may_stop` is then stopped by the session (limit_reached)
// and the reader drops the rest, including the error the stop causes; the
// rows of any other are read and not counted.
class PgReader {
 public:
  PgReader(const Request& request, Outcome* outcome) : request_(request), outcome_(outcome) {}

  // Takes one result (the caller clears it afterwards).
  void take(const PGresult* result);
  // True once the answers limit is reached and the rest can be stopped:
  // only a statement that reads (may_stop). One that may change data
  // ("insert ... returning") is read to its end; its rest is not counted.
  bool limit_reached() const { return limit_reached_ && stoppable(); }
  // Called when a cancel request for this statement was sent.
  void stopping() { stopping_ = true; }
  bool stopped() const { return stopping_; }
  // True when the statement was canceled without this reader asking: a
  // cancel meant for an earlier statement of a pipeline came late.
  bool canceled_by_mistake() const { return canceled_by_mistake_; }

 private:
  void take_rows(const PGresult* result);
  // Whether the text begins with ROLLBACK or ABORT (ROLLBACK TO SAVEPOINT
  // too), whose answer "ROLLBACK" is no failure.
  bool rolls_back() const;

  const Request& request_;
  Outcome* outcome_;
  // Whether the statement may be stopped, worked out when first asked: most
  // statements never reach the limit.
  bool stoppable() const;

  mutable int stoppable_ = -1;  // -1 until worked out, then 0 or 1
  bool in_result_ = false;  // the rows of a result set are coming
  bool limit_reached_ = false;  // counting is over
  int64_t counted_ = 0;         // rows of a statement that is not a query
  bool stopping_ = false;  // a cancel was sent; its error is expected
  bool canceled_by_mistake_ = false;
  // No result has ended a statement of the text yet. Only the first
  // statement of a text can be a COMMIT answered with ROLLBACK: the block
  // must have failed before the text began (a failure inside a text ends
  // the text), and whatever a failed block takes (COMMIT, ROLLBACK,
  // ROLLBACK TO SAVEPOINT) leaves no failed block behind. A later
  // "ROLLBACK" answers a ROLLBACK of the text's own.
  bool first_statement_ = true;
};

}  // namespace ql
