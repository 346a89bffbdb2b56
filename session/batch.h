// Sending statements: each one alone as it comes (one at a time, and every
// COPY), or gathered into pool batches of up to `statements`, never mixing
// queries and other statements. Every call returns the Outcome of what it
// sent; none of them reports a statement's failure (the loop does).
#pragma once

#include "runtime/outcome.h"
#include "sqltext/statement_info.h"

namespace tarnwick {

// Sends `text` (NUL-terminated) alone through the single-statement calls
// and shows its result: the table of a query or of a statement the engine
// answered with rows (with captions), or the affected line. The pending
// batch, if any, is sent first. A COPY's data comes from the copy feed
// (session/connection.h) if the engine asks for it.
Outcome send_alone(const char* text, const sqltext::StatementInfo& info);

// Pool batches (statements of 2 or more): appends `text`, sending the
// pending batch first when it holds the other kind, and after appending
// when it is full.
Outcome append_to_batch(const char* text, const sqltext::StatementInfo& info);

// Sends the pending batch, has its results shown and empties it. Nothing
// when nothing is pending. A failed entry shows as a -1 count; the outcome
// carries the code of the first failing entry, marked as shown.
//
// Failures of the pool itself go to standard error, one line each: a batch
// call that failed as a whole ("The pool could not run a batch of N
// statement(s): <message>", again only when the message changes) and a
// session that the engine lost ("Session S of the pool is lost:
// <message>", once per session of a handle).
Outcome flush_batch();

// Forgets what was reported about the pool (for tests).
void forget_pool_reports();

}  // namespace tarnwick
