// Writing binary replay logs (the format that play_replay_log reads), so
// that users can turn SQL scripts into logs to replay.
#pragma once

#include <cstdint>

#include "support/file/file.h"

namespace tarnwick {

struct ReplayLogFormat {
  bool big_endian = false;  // integers after the marker FF BB BB FF
  uint32_t width = 1;       // 1: 8-bit texts; 2: UTF-16 texts
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
// text left blank is not written.
RecordWritten write_replay_record(morvane::iFile& log, const ReplayLogFormat& format,
                                  const char* text);

}  // namespace tarnwick
