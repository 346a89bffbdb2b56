#include "ql_client/core/page.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ql {

namespace {

// Larger than any memory: a text this long is refused before its block's
// size or the offsets past it could overflow.
constexpr uint64_t kMaxText = uint64_t{1} << 48;

}  // namespace

char* Page::open_text(size_t capacity) {
  if (capacity >= kMaxText) throw std::bad_alloc();
  uint64_t needed = capacity + 1;  // and its NUL
  unsigned k = Bytes::block_of(used_);
  uint64_t start = used_;
  if (start + needed > Bytes::block_start(k) + Bytes::block_size(k)) {
    do {
      ++k;
    } while (Bytes::block_size(k) < needed);
    start = Bytes::block_start(k);
  }
  bytes_.make_block(k);
  opened_ = start;
  return bytes_.at(start);
}

void Page::close_text(size_t length) {
  *bytes_.at(opened_ + length) = '\0';
  add_end(opened_ + length + 1, false);
  used_ = opened_ + length + 1;
}

void Page::add_text(const char* text, size_t length) {
  char* room = open_text(length);
  if (length > 0) std::memcpy(room, text, length);
  close_text(length);
}

void Page::add_null() { add_end(used_, true); }

void Page::add_end(uint64_t end, bool null) {
  ends_.make_block(Ends::block_of(cells_));
  while ((end >> kSegmentBits) > segment_firsts_.size()) segment_firsts_.push_back(cells_);
  *ends_.at(cells_) = static_cast<uint32_t>(end & (kNull - 1)) | (null ? kNull : 0);
  ++cells_;
}

uint64_t Page::end_of(size_t cell) const {
  uint64_t segment = std::upper_bound(segment_firsts_.begin(), segment_firsts_.end(), cell) - segment_firsts_.begin();
  return segment << kSegmentBits | (*ends_.at(cell) & (kNull - 1));
}

const char* Page::text(size_t cell, size_t* length) const {
  if ((*ends_.at(cell) & kNull) != 0) {
    *length = 0;
    return nullptr;
  }
  uint64_t previous = cell == 0 ? 0 : end_of(cell - 1);
  uint64_t nul = end_of(cell) - 1;
  uint64_t start = std::max(previous, Bytes::block_start(Bytes::block_of(nul)));
  *length = nul - start;
  return bytes_.at(start);
}

void Page::clear() {
  bytes_.clear();
  ends_.clear();
  std::vector<size_t>().swap(segment_firsts_);
  used_ = 0;
  opened_ = 0;
  cells_ = 0;
}

}  // namespace ql
