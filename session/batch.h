// Pool batches: statements are gathered and sent to the pool together, up to
// `statements` at a time, never mixing queries and other statements.
#pragma once

namespace tarnwick {

// Pool mode with statements of 2 or more only. Sends the pending batch
// first when it holds the other kind, and after appending when it is full.
void append_to_batch(const char* text, bool query);

// Sends the pending batch, has its results shown and empties it. Does
// nothing when statements is 1 or nothing is pending.
//
// Failures of the pool itself go to standard error, one line each: a batch
// call that failed as a whole ("The pool could not run a batch of N
// statement(s): <message>", again only when the message changes) and a
// session that the engine lost ("Session S of the pool is lost:
// <message>", once per session of a handle).
void flush_batch();

// Forgets what was reported about the pool (for tests).
void forget_pool_reports();

}  // namespace tarnwick
