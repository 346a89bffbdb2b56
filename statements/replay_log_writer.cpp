#include "statements/replay_log_writer.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "statements/replay_log.h"
#include "statements/statement_text.h"
#include "support/codepage/codepage.h"
#include "support/heap/heap.h"

namespace tarnwick {

namespace {

void put_u32(std::string& out, uint32_t value, bool big_endian) {
  for (int i = 0; i < 4; ++i) {
    int shift = big_endian ? 24 - 8 * i : 8 * i;
    out.push_back(static_cast<char>(value >> shift & 0xFF));
  }
}

bool write_all(morvane::iFile& log, const std::string& bytes) {
  return log.write(bytes.data(), static_cast<uint32_t>(bytes.size())) ==
         static_cast<int32_t>(bytes.size());
}

}  // namespace

bool write_replay_header(morvane::iFile& log, const ReplayLogFormat& format) {
  std::string header;
  if (format.captured) {
    header.assign(kReplayCapturedMarker, sizeof kReplayCapturedMarker);
    put_u32(header, format.width, false);
  } else {
    put_u32(header, format.big_endian ? kReplayBigEndianMarker : 0, false);
    put_u32(header, format.width, format.big_endian);
  }
  return write_all(log, header);
}

RecordWritten write_replay_record(morvane::iFile& log, const ReplayLogFormat& format,
                                  const char* text, const RecordStamp* stamp) {
  const char* begin = skip_blanks(text);
  const char* end = begin + std::strlen(begin);
  while (end > begin && is_blank(end[-1])) --end;
  if (end == begin) return RecordWritten::blank;
  std::string statement(begin, end);
  const bool big_endian = format.big_endian && !format.captured;

  // A captured record's trailer: the time, then " end"; none when there is
  // nothing to say.
  std::string trailer;
  if (format.captured && stamp != nullptr && (stamp->time_us > 0 || stamp->session_ends)) {
    trailer = std::to_string(std::max<int64_t>(stamp->time_us, 0));
    if (stamp->session_ends) trailer += " end";
  }

  std::string record;
  // The session, or the value that plain logs' readers skip.
  put_u32(record, format.captured && stamp != nullptr ? stamp->session : 0, big_endian);
  if (format.width == 1) {
    if (!trailer.empty()) statement += '\0' + trailer;
    put_u32(record, static_cast<uint32_t>(statement.size()), big_endian);
    record += statement;
  } else {
    const bool beyond_ascii = std::any_of(statement.begin(), statement.end(),
                                          [](char c) { return (c & 0x80) != 0; });
    if (beyond_ascii && !begins_with_unicode_marker(statement.c_str())) {
      statement.insert(0, kUnicodeMarker);
    }
    size_t length = 0;
    char16_t* units = morvane::decode_narrow(statement.c_str(), morvane::codepage_utf8, &length);
    const size_t trailer_units = trailer.empty() ? 0 : 1 + trailer.size();
    put_u32(record, static_cast<uint32_t>(length + trailer_units), big_endian);
    for (size_t i = 0; i < length; ++i) {  // little-endian units, always
      record.push_back(static_cast<char>(units[i] & 0xFF));
      record.push_back(static_cast<char>(units[i] >> 8));
    }
    morvane::heap_free(units);
    if (trailer_units != 0) {  // the NUL and the ASCII trailer, a unit each
      record.append(2, '\0');
      for (char c : trailer) record.append({c, '\0'});
    }
  }
  return write_all(log, record) ? RecordWritten::written : RecordWritten::failed;
}

}  // namespace tarnwick
