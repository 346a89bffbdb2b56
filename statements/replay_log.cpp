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
//
// A file whose size the 32-bit positions give is "sized": the bytes left in
// it bound every length the log may claim before anything is allocated. A
// pipe or a file past 2 GiB is read to its end without knowing the size;
// then a claimed length is only believed as far as bytes really come.
class LogReader {
 public:
  static constexpr size_t kChunk = 1u << 20;

  explicit LogReader(morvane::iFile& source) : source_(source) {
    morvane::iAbstractFile* file = source.get();
    int32_t here = file->tell();
    int32_t end = here < 0 ? -1 : file->seek(0, morvane::kSeekEnd);
    // A failed seek may still have moved the descriptor (past 2 GiB).
    if (here >= 0) file->seek(here, morvane::kSeekBegin);
    sized_ = here >= 0 && end >= here;
    if (sized_) left_in_file_ = static_cast<uint64_t>(end - here);
    buffer_.resize(sized_ ? static_cast<size_t>(std::min<uint64_t>(kChunk, left_in_file_)) : kChunk);
  }

  bool at_end() {
    if (used_ < filled_) return false;
    return sized_ ? left_in_file_ == 0 : !refill();
  }

  // Whether n more bytes may be there: false only when the size is known
  // and fewer are left.
  bool may_hold(uint64_t n) const { return !sized_ || n <= left_in_file_ + (filled_ - used_); }

  // Copies exactly n bytes into `out`; false when fewer are there.
  bool take(void* out, uint64_t n) {
    if (!may_hold(n)) return false;
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

  // Replaces `out` with exactly n bytes; false when fewer are there. Grows
  // `out` only as the bytes arrive, so a damaged length in an unsized log
  // costs no more memory than the log has.
  template <typename Byte>
  bool take_into(std::vector<Byte>& out, uint64_t n) {
    static_assert(sizeof(Byte) == 1);
    out.clear();
    if (!may_hold(n)) return false;
    while (out.size() < n) {
      size_t piece = static_cast<size_t>(std::min<uint64_t>(n - out.size(), kChunk));
      size_t at = out.size();
      out.resize(at + piece);
      if (!take(out.data() + at, piece)) return false;
    }
    return true;
  }

 private:
  bool refill() {
    size_t want = sized_ ? static_cast<size_t>(std::min<uint64_t>(kChunk, left_in_file_)) : kChunk;
    int32_t got = want == 0 ? 0 : source_.read(buffer_.data(), static_cast<uint32_t>(want));
    used_ = filled_ = 0;
    if (got <= 0) {
      left_in_file_ = 0;  // the file ended (early when it shrank or a read failed)
      return false;
    }
    filled_ = static_cast<size_t>(got);
    if (sized_) left_in_file_ -= std::min<uint64_t>(left_in_file_, static_cast<uint64_t>(got));
    return true;
  }

  bool sized_ = false;
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
    if (!(width == 1 ? log.take_into(text, bytes) : log.take_into(raw, bytes))) {
      error_line("Invalid entry in file '", name, "' (skipping at this point)");
      return ReplayEnd::invalid_entry;
    }
    if (width == 1) {
      text.push_back('\0');
      char* statement = text.data();
      while (is_blank(*statement)) ++statement;
      const bool query = starts_with_ignoring_case(statement, "select ") ||
                         starts_with_ignoring_case(statement, "select\t");
      run(statement, query, stop_flag);
    } else {
      units.resize(length + size_t{1});
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
