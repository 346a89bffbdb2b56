// Writing binary replay logs (the format that ReplayLogReader reads, laid
// out in docs/replay-log-format.md), so that users can turn SQL scripts and
// server logs into logs to replay.
#pragma once

#include <cstdint>

#include "support/file/file.h"

namespace tarnwick {

struct ReplayLogFormat {
  bool big_endian = false;  // integers after the marker FF BB BB FF
  uint32_t width = 1;       // 1: 8-bit texts; 2: UTF-16 texts
  bool captured = false;    // the marker "TWL1", records with sessions and times (always little-endian)
};

// What a captured log keeps of a statement besides its text.
struct RecordStamp {
  uint32_t session;   // 1, 2, ... in order of first appearance; 0: none
  int64_t time_us;    // start time, microseconds since the Unix epoch; 0: unknown
  bool session_ends;  // the session ended after this statement
};

// Writes the marker and the width; false when the write fails.
bool write_replay_header(morvane::iFile& log, const ReplayLogFormat& format);

// What write_replay_record did.
enum class RecordWritten { written, blank, failed };

// Appends one record holding `text` with its leading and trailing blanks
// removed. 8-bit texts are written as they are. 16-bit texts are decoded
// from UTF-8 (or from ISO-8859-1 when they are not valid UTF-8) and, when
// they hold any character beyond ASCII, marked "{unicode}" so that the
// client library takes them as UTF-8 whatever the session's code page. A
// text left blank is not written. In a captured log the stamp's session goes
// into the record's first value and its time (and " end") after a NUL that
// follows the text; other logs have no room for a stamp and ignore it.
RecordWritten write_replay_record(morvane::iFile& log, const ReplayLogFormat& format,
                                  const char* text, const RecordStamp* stamp = nullptr);

}  // namespace tarnwick
