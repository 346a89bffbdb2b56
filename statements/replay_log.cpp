#include "statements/replay_log.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "console/console_output.h"
#include "support/codepage/codepage.h"
#include "support/heap/heap.h"

namespace tarnwick {

namespace {

// Reads the log through a large buffer of its own, so that a log of many
// small records costs few system calls whatever flags the source has.
class LogReader {
 public:
  static constexpr size_t kChunk = 1u << 20;

  explicit LogReader(morvane::iFile& source) : source_(source) {
    // The bytes left in the file bound every length the log may claim.
    morvane::iAbstractFile* file = source.get();
    int32_t here = file->tell();
    int32_t end = file->seek(0, morvane::kSeekEnd);
    if (here >= 0 && end >= here) {
      file->seek(here, morvane::kSeekBegin);
      left_in_file_ = static_cast<uint64_t>(end - here);
    }
    buffer_.resize(static_cast<size_t>(std::min<uint64_t>(kChunk, left_in_file_)));
  }

  // Bytes not yet taken from the file and the buffer together.
  uint64_t remaining() const { return left_in_file_ + (filled_ - used_); }
  bool at_end() const { return remaining() == 0; }

  // Copies exactly n bytes into `out`; false when fewer are there.
  bool take(void* out, uint64_t n) {
    if (n > remaining()) return false;
    auto* dst = static_cast<unsigned char*>(out);
    while (n > 0) {
      if (used_ == filled_ && !refill()) return false;
      size_t piece = static_cast<size_t>(std::min<uint64_t>(n, filled_ - used_));
      std::memcpy(dst, buffer_.data() + used_, piece);
      used_ += piece;
      dst += piece;
      n -= piece;
    }
    return true;
  }

 private:
  bool refill() {
    size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, left_in_file_));
    int32_t got = want == 0 ? 0 : source_.read(buffer_.data(), static_cast<uint32_t>(want));
    if (got <= 0) {
      left_in_file_ = 0;  // the file ended early (it shrank, or a read failed)
      return false;
    }
    used_ = 0;
    filled_ = static_cast<size_t>(got);
    left_in_file_ -= static_cast<uint64_t>(got);
    return true;
  }

  morvane::iFile& source_;
  std::vector<unsigned char> buffer_;
  size_t used_ = 0;
  size_t filled_ = 0;
  uint64_t left_in_file_ = 0;
};


uint32_t decode_u32(const unsigned char bytes[4], bool big_endian) {
  if (big_endian) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
  }
  return uint32_t{bytes[3]} << 24 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[1]} << 8 | bytes[0];
}

bool starts_with_ignoring_case(const char* text, const char* prefix) {
  return strncasecmp(text, prefix, std::strlen(prefix)) == 0;
}

bool is_blank(char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; }

}  // namespace

ReplayEnd play_replay_log(morvane::iFile& source, const char* name, bool ignore_create,
                          ReplayRunner run, bool* stop_flag) {
  LogReader log(source);
  unsigned char word[4];
  if (!log.take(word, 4)) {
    error_line("Invalid file '", name, "' (skipping it)");
    return ReplayEnd::invalid_file;
  }
  const bool big_endian = decode_u32(word, false) == kReplayBigEndianMarker;
  if (!log.take(word, 4)) {
    error_line("Invalid file '", name, "' (skipping it)");
    return ReplayEnd::invalid_file;
  }
  const uint32_t width = decode_u32(word, big_endian);
  if (width != 1 && width != 2) {
    error_line("Invalid file '", name, "' (skipping it)");
    return ReplayEnd::invalid_file;
  }

  std::vector<char> text;
  std::vector<unsigned char> raw;
  std::vector<char16_t> units;
  while (!log.at_end()) {
    unsigned char header[8];
    if (!log.take(header, 8)) {
      error_line("Invalid entry in file '", name, "' (skipping at this point)");
      return ReplayEnd::invalid_entry;
    }
    const uint32_t length = decode_u32(header + 4, big_endian);
    const uint64_t bytes = uint64_t{length} * width;
    if (bytes > log.remaining()) {  // checked before anything is allocated
      error_line("Invalid entry in file '", name, "' (skipping at this point)");
      return ReplayEnd::invalid_entry;
    }
    if (width == 1) {
      text.resize(length + size_t{1});
      log.take(text.data(), length);
      text[length] = '\0';
      char* statement = text.data();
      while (is_blank(*statement)) ++statement;
      const bool query = starts_with_ignoring_case(statement, "select ") ||
                         starts_with_ignoring_case(statement, "select\t");
      run(statement, query, stop_flag);
    } else {
      units.resize(length + size_t{1});
      raw.resize(static_cast<size_t>(bytes));
      log.take(raw.data(), bytes);
      for (uint32_t i = 0; i < length; ++i) {
        units[i] = static_cast<char16_t>(raw[2 * i] | raw[2 * i + 1] << 8);
      }
      char* utf8 = morvane::utf16_to_utf8(units.data(), length);
      std::unique_ptr<char, void (*)(void*)> owned(utf8, morvane::heap_free);
      const bool query = starts_with_ignoring_case(utf8, "select ") ||
                         starts_with_ignoring_case(utf8, "{unicode}select ") ||
                         starts_with_ignoring_case(utf8, "select\t") ||
                         starts_with_ignoring_case(utf8, "{unicode}select\t");
      const bool create = starts_with_ignoring_case(utf8, "create") ||
                          starts_with_ignoring_case(utf8, "{unicode}create");
      if (!(ignore_create && create)) run(utf8, query, stop_flag);
    }
  }
  return ReplayEnd::finished;
}

}  // namespace tarnwick
