// Binary replay logs: files of length-prefixed statement texts recorded
// elsewhere, played back statement by statement.
//
// Layout (all integers unsigned 32-bit):
//   header  marker (FF BB BB FF: integers big-endian; anything else: little-
//           endian), then W, the character width of every text (1 or 2)
//   record  a value that is skipped, L (characters), then W x L bytes of
//           text; 16-bit texts are little-endian whatever the marker says
// Records follow one another to the end of the file.
#pragma once

#include <cstdint>
#include <string>

#include "support/file/file.h"

namespace tarnwick {

inline constexpr uint32_t kReplayBigEndianMarker = 0xFFBBBBFFu;

// How a replay ended.
enum class ReplayEnd {
  finished,       // every record was played
  invalid_file,   // no complete header, or a width other than 1 and 2
  invalid_entry,  // a record cut short: the records before it were played
};

// Receives each statement of a log: its text (NUL-terminated, may be
// changed by the callee), whether it is a query, and the stop flag, which
// the replay itself never consults.
using ReplayRunner = void (*)(char* text, bool query, bool* stop_flag);

// Plays the replay log open in `source` (named `name` in messages) to its
// end, handing every statement to `run`. With `ignore_create`, 16-bit
// statements that begin with "create" or "{unicode}create" are dropped.
// Problems are reported on standard error: "Invalid file '…' (skipping it)"
// or "Invalid entry in file '…' (skipping at this point)". A record whose
// text would run past the end of the file is an invalid entry before
// anything is allocated for it.
ReplayEnd play_replay_log(morvane::iFile& source, const char* name, bool ignore_create,
                          ReplayRunner run, bool* stop_flag);

}  // namespace tarnwick
