// Pool batches: statements are gathered and sent to the pool together, up to
// `statements` at a time, never mixing queries and other statements.
#pragma once

namespace tarnwick {

// Pool mode with statements of 2 or more only. Sends the pending batch
// first when it holds the other kind, and after appending when it is full.
void append_to_batch(const char* text, bool query);

// Sends the pending batch, has its results shown and empties it. Does
// nothing when statements is 1 or nothing is pending.
void flush_batch();

}  // namespace tarnwick
