// Statements run without blocking the caller (ql_async_*): what an engine
// that can offers, behind the engine-neutral interface the C functions use.
#pragma once

#include <cstdint>
#include <string_view>

#include "ql_client/core/failure.h"

namespace ql {

// One finished statement, as ql_async_next hands it back.
struct AsyncDone {
  int64_t tag = 0;
  int64_t started_ns = 0;   // sent to the engine; 0 when it never was
  int64_t finished_ns = 0;  // its answer complete; 0 likewise
  Failure failure;
};

// Statements of one session, sent without waiting and finished in the
// order they were accepted. Used by one thread at a time; the session's
// cancel may come from another.
class AsyncRunner {
 public:
  virtual ~AsyncRunner() = default;

  // Accepts a statement (copied), sent by the next events or work; false
  // when the window is full.
  virtual bool send(std::string_view text, int64_t tag) = 0;
  // The socket to wait on, and the QL_WAIT_ events to wait for once what
  // was accepted and what is held back (a shared sync point) is sent.
  virtual int socket() const = 0;
  virtual int32_t events() = 0;
  // Sends and reads what the socket allows; returns the statements
  // finished and not yet taken.
  virtual int32_t work() = 0;
  // Takes the oldest statement when it has finished.
  virtual bool next(AsyncDone* done) = 0;
  // Statements accepted and not yet taken.
  virtual size_t accepted() const = 0;
  // Puts the session back for the blocking calls. REQUIRES: accepted() == 0.
  virtual void to_blocking() = 0;
  // Statements that repeat with other literals run as prepared statements
  // from now on (ql_async_prepare); false where the engine has none.
  virtual bool prepare_repeated() { return false; }
};

}  // namespace ql
