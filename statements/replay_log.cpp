#include "statements/replay_log.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "measure/run_stats.h"
#include "runtime/console_output.h"
#include "statements/statement_text.h"
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

  // The bytes not yet taken of a sized log; 0 when the size is not known.
  uint64_t left() const { return sized_ ? left_in_file_ + (filled_ - used_) : 0; }

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

// The two problems a log can have, each reported once on standard error.
ReplayEnd report_damage(ReplayEnd end, const char* name) {
  run_stats.log_bytes = 0;
  if (end == ReplayEnd::invalid_file) {
    error_line("Invalid file '", name, "' (skipping it)");
  } else {
    error_line("Invalid entry in file '", name, "' (skipping at this point)");
  }
  return end;
}

// The header: the byte-order marker and the character width.
struct LogHeader {
  bool big_endian = false;
  bool captured = false;
  uint32_t width = 0;
};

bool read_header(LogReader& log, LogHeader* header) {
  unsigned char word[4];
  if (!log.take(word, 4)) return false;
  header->big_endian = decode_u32(word, false) == kReplayBigEndianMarker;
  header->captured = std::memcmp(word, kReplayCapturedMarker, 4) == 0;
  if (!log.take(word, 4)) return false;
  header->width = decode_u32(word, header->big_endian);
  return header->width == 1 || header->width == 2;
}

// Reads the trailer of a captured record, the `count` characters after its
// NUL: decimal digits (the start time in microseconds), then " end" when the
// session ended after the statement. False when it is anything else.
template <typename Unit>
bool read_trailer(const Unit* units, size_t count, ReplayRecord* record) {
  size_t digits = 0;
  int64_t time = 0;
  while (digits < count && units[digits] >= '0' && units[digits] <= '9') {
    if (time > (INT64_MAX - 9) / 10) return false;
    time = time * 10 + (units[digits] - '0');
    ++digits;
  }
  if (digits == 0) return false;
  static constexpr char kEnd[] = " end";
  const size_t rest = count - digits;
  if (rest != 0 && rest != 4) return false;
  for (size_t i = 0; i < rest; ++i) {
    if (units[digits + i] != static_cast<Unit>(kEnd[i])) return false;
  }
  record->time_us = time;
  record->session_ends = rest != 0;
  return true;
}

}  // namespace

// The scratch space of one replay, reused from record to record.
struct ReplayLogReader::State {
  explicit State(morvane::iFile& source) : log(source) {}
  LogReader log;
  LogHeader header;
  std::vector<char> text;
  std::vector<unsigned char> raw;
  std::vector<char16_t> units;
  std::unique_ptr<char, void (*)(void*)> utf8{nullptr, morvane::heap_free};
};

ReplayLogReader::ReplayLogReader(morvane::iFile& source, const char* name, bool ignore_create,
                                 sqltext::Dialect dialect)
    : state_(std::make_unique<State>(source)), name_(name), ignore_create_(ignore_create), dialect_(dialect) {
  if (!read_header(state_->log, &state_->header)) {
    end_ = report_damage(ReplayEnd::invalid_file, name_);
    done_ = true;
    return;
  }
  // The share of the log played so far, for the progress lines (when the
  // size of the log is known).
  run_stats.log_bytes = state_->log.left();
  run_stats.log_bytes_done = 0;
}

ReplayLogReader::~ReplayLogReader() = default;

bool ReplayLogReader::captured() const { return state_->header.captured; }

bool ReplayLogReader::next(char** text, bool* query) {
  ReplayRecord record;
  if (!next(&record)) return false;
  *text = record.text;
  *query = record.info.query;
  return true;
}

bool ReplayLogReader::next(ReplayRecord* record) {
  State& s = *state_;
  *record = ReplayRecord{};
  while (!done_) {
    if (s.log.at_end()) {
      run_stats.log_bytes = 0;
      done_ = true;
      return false;
    }
    run_stats.log_bytes_done = run_stats.log_bytes - s.log.left();
    unsigned char prefix[8];  // the skipped value (a captured log's session), then the length
    if (!s.log.take(prefix, 8)) break;
    const uint32_t length = decode_u32(prefix + 4, s.header.big_endian);
    // A captured log names the session in the skipped value and has a
    // trailer after a NUL; in other logs neither is looked at.
    if (s.header.captured) record->session = decode_u32(prefix, false);
    if (s.header.width == 1) {
      // An 8-bit record: leading blanks are skipped.
      if (!s.log.take_into(s.text, length)) break;
      if (s.header.captured) {
        const auto nul = std::find(s.text.begin(), s.text.end(), '\0');
        if (nul != s.text.end() && !read_trailer(&*nul + 1, static_cast<size_t>(s.text.end() - nul - 1), record)) {
          break;
        }
      }
      s.text.push_back('\0');
      record->text = const_cast<char*>(skip_blanks(s.text.data()));
      record->info = sqltext::classify_head(record->text, dialect_);
      return true;
    }
    // A 16-bit record: converted to UTF-8; --ignore-create drops creations.
    if (!s.log.take_into(s.raw, uint64_t{length} * 2)) break;
    s.units.resize(length + size_t{1});
    for (uint32_t i = 0; i < length; ++i) {
      s.units[i] = static_cast<char16_t>(s.raw[2 * i] | s.raw[2 * i + 1] << 8);
    }
    size_t statement_length = length;
    if (s.header.captured) {
      const char16_t* units = s.units.data();
      const char16_t* nul = std::find(units, units + length, u'\0');
      statement_length = static_cast<size_t>(nul - units);
      if (statement_length < length && !read_trailer(nul + 1, length - statement_length - 1, record)) break;
    }
    s.utf8.reset(morvane::utf16_to_utf8(s.units.data(), statement_length));
    if (ignore_create_ && begins_with_create(s.utf8.get())) {
      record_skipped();
      *record = ReplayRecord{};
      continue;
    }
    record->text = s.utf8.get();
    record->info = sqltext::classify_head(record->text, dialect_);
    return true;
  }
  if (!done_) {
    end_ = report_damage(ReplayEnd::invalid_entry, name_);
    done_ = true;
  }
  *record = ReplayRecord{};
  return false;
}

}  // namespace tarnwick
