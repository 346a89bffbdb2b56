// The client library's timings of each call into the run statistics, and
// the schedule of fixed-rate runs (--rate=R): statement k of the run is due
// at the run's first statement plus k / R seconds, over the whole pool, and
// the library starts each entry no earlier than its due time. Latency is
// then counted from the due time, not from the moment the statement was
// sent, so a stall shows in every statement it held up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sqltext/statement_info.h"

namespace tarnwick {

// Before a call that runs `n` statements: under --rate, gives them their
// due times (the library keeps them for its next call).
void schedule_next_call(size_t n);

// After that call: the timing and the error of each of its `n` statements
// into run_stats (nothing when the run is not measured), then a progress
// line when one is due. `texts` are the statements, for their shapes, and
// `marks` their block_marks, for where transaction blocks end. Reads
// client_error but leaves it as it is.
void measure_call(size_t n, bool query, const char* const* texts, const uint8_t* marks);

// Whether a statement opens (kOpensBlock) or ends (kEndsBlock) a
// transaction block, as measure_call takes it.
inline constexpr uint8_t kOpensBlock = 1;
inline constexpr uint8_t kEndsBlock = 2;
inline uint8_t block_marks(const sqltext::StatementInfo& info) {
  return static_cast<uint8_t>((info.opens_block ? kOpensBlock : 0) | (info.ends_block ? kEndsBlock : 0));
}

// Forgets the schedule; for the tests' fresh runs.
void reset_timing();

}  // namespace tarnwick
