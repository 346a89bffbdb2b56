// The fetched page of a query: the texts of its cells back to back, each
// followed by a NUL, and where each one ends. A cell costs its text, one
// byte and a 4-byte end; nothing is allocated per cell.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ql {

// Storage that grows by blocks, each twice as large as the one before, and
// never moves what it holds: nothing is copied as it grows, and only the
// unused part of the last block is spare (a large block is a fresh mapping,
// so that part is not even resident). Block k holds kFirst << k units and
// begins at unit (kFirst << k) - kFirst of the whole, so the block of a unit
// comes from the highest bit of unit / kFirst + 1, without a search.
template <typename T, unsigned kFirstBits>
class DoublingBlocks {
 public:
  static unsigned block_of(uint64_t at) { return static_cast<unsigned>(std::bit_width((at >> kFirstBits) + 1)) - 1; }
  static uint64_t block_start(unsigned k) { return ((uint64_t{1} << k) - 1) << kFirstBits; }
  static uint64_t block_size(unsigned k) { return uint64_t{1} << (k + kFirstBits); }

  // Unit `at`, whose block exists.
  T* at(uint64_t at) const {
    unsigned k = block_of(at);
    return blocks_[k].get() + (at - block_start(k));
  }
  // Allocates block k unless it exists; its units are not initialised.
  // Throws when memory runs out.
  void make_block(unsigned k) {
    if (blocks_.size() <= k) blocks_.resize(k + 1);
    if (blocks_[k] == nullptr) blocks_[k].reset(new T[block_size(k)]);
  }
  void clear() { std::vector<std::unique_ptr<T[]>>().swap(blocks_); }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;  // null for blocks passed over
};

class Page {
 public:
  // Room at the end of the page for a text of up to `capacity` bytes, for
  // an engine that writes (converts) the text itself; close_text then keeps
  // its first `length` bytes as the next cell. Throws std::bad_alloc, or
  // the process allocator's own exception, when memory runs out.
  char* open_text(size_t capacity);
  void close_text(size_t length);
  // Appends a cell with a copy of `length` bytes at `text`.
  void add_text(const char* text, size_t length);
  void add_null();

  size_t cells() const { return cells_; }
  // The text of cell `cell` (below cells()), NUL-terminated, and its length
  // in bytes; null (length 0) for SQL NULL. Valid until the page is cleared
  // or destroyed.
  const char* text(size_t cell, size_t* length) const;
  // Releases every block.
  void clear();

 private:
  // Bytes of the texts: a text never straddles two blocks. One that does
  // not fit in what is left of its block goes to the first block that holds
  // it whole; the rest of the block stays unused, and blocks passed over
  // are never allocated.
  using Bytes = DoublingBlocks<char, 8>;
  // Per cell, the offset just past its NUL (for SQL NULL, the end of the
  // cell before it, and kNull). A text lies in the block of its NUL and
  // begins at the end of the cell before it, or at the start of that block
  // when it went on to a new one. An end keeps the low 31 bits of the
  // offset; the rest is the number of the 2 GiB segment it lies in, which
  // segment_firsts_ gives: entry s - 1 is the first cell whose end lies in
  // segment s or beyond (the list stays empty below 2 GiB).
  using Ends = DoublingBlocks<uint32_t, 5>;
  static constexpr unsigned kSegmentBits = 31;
  static constexpr uint32_t kNull = uint32_t{1} << kSegmentBits;

  void add_end(uint64_t end, bool null);
  uint64_t end_of(size_t cell) const;

  Bytes bytes_;
  Ends ends_;
  std::vector<size_t> segment_firsts_;
  uint64_t used_ = 0;     // offset past the last text (blocks passed over included)
  uint64_t opened_ = 0;   // where the text that open_text made room for begins
  size_t cells_ = 0;
};

}  // namespace ql
