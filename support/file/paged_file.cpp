#include "support/file/paged_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/file/fd_file.h"
#include "support/file/file_io.h"
#include "support/file/open_flags.h"
#include "support/file/uncached_file.h"
#include "support/heap/heap.h"
#include "support/platform/platform.h"

namespace morvane {

namespace {

constexpr uint32_t kLoadCounter = 128;
constexpr uint32_t kMaxRunPages = 16;

}  // namespace

template <typename F>
iMemoryPagedFile<F>::iMemoryPagedFile() : page_size_(static_cast<uint32_t>(platform::page_size())) {}

template <typename F>
iMemoryPagedFile<F>::~iMemoryPagedFile() {
  iMemoryPagedFile::close();
}

template <typename F>
bool iMemoryPagedFile<F>::is_open() const {
  return inner_ != nullptr && inner_->is_open();
}

template <typename F>
bool iMemoryPagedFile<F>::open(F* inner, int mode, uint32_t cache_bytes) {
  if (inner_ != nullptr && inner_.get() != inner) close();
  inner_.reset(inner);
  if (inner_ == nullptr || !inner_->is_open()) {
    inner_.reset();
    return false;
  }
  flags_ = mode == IF_MODE_READ ? kFileFlagReadOnly : 0;
  state_ = 0;
  const char* inner_name = inner_->name();
  if (inner_name != nullptr) {
    const char* bar = std::strrchr(inner_name, '|');
    name_.assign(bar == nullptr ? inner_name : bar);
  }
  charge_ = 0;
  candidates_.clear();
  page_limit_ = cache_bytes / page_size_;
  int32_t position = inner_->tell();
  int32_t size = inner_->seek(0, kSeekEnd);
  if (position < 0 || size < 0) {
    // Not a file this cache can address (a pipe, or past 2 GiB): refused
    // and closed, so that the holder takes a later open.
    inner_.reset();
    return false;
  }
  position_ = 0;
  size_ = static_cast<uint32_t>(size);
  seek(position, kSeekBegin);
  return true;
}

template <typename F>
void iMemoryPagedFile<F>::close() {
  if (inner_ != nullptr) {
    flush();
    inner_->close();
    inner_.reset();
  }
  for (Page& page : pages_) free_block(page);
  pages_.clear();
  dirty_.clear();
  size_ = 0;
  position_ = 0;
}

template <typename F>
int32_t iMemoryPagedFile<F>::seek(int32_t offset, int whence) {
  const int64_t t = cached_seek_target(position_, size_, offset, whence);
  if (t < 0 || t > INT32_MAX) return -1;
  if (t > size_) {
    if (read_only()) return -1;
    if (inner_ != nullptr && inner_->seek(static_cast<int32_t>(t), kSeekBegin) != -1) {
      size_ = static_cast<uint32_t>(t);
    }
  }
  position_ = static_cast<uint32_t>(t);
  return static_cast<int32_t>(t);
}

template <typename F>
size_t iMemoryPagedFile<F>::loaded_pages() const {
  return static_cast<size_t>(
      std::count_if(pages_.begin(), pages_.end(), [](const Page& p) { return p.block != nullptr; }));
}

template <typename F>
bool iMemoryPagedFile<F>::page_loaded(uint32_t page) const {
  return page < pages_.size() && pages_[page].block != nullptr;
}

template <typename F>
bool iMemoryPagedFile<F>::page_dirty(uint32_t page) const {
  return page / 32 < dirty_.size() && (dirty_[page / 32] >> (page % 32) & 1u) != 0;
}

template <typename F>
uint32_t iMemoryPagedFile<F>::page_counter(uint32_t page) const {
  return page < pages_.size() ? pages_[page].counter : 0;
}

template <typename F>
void iMemoryPagedFile<F>::grow_tables(uint32_t page) {
  if (page >= pages_.size()) pages_.resize(size_t{page} + 1);
  if (page / 32 >= dirty_.size()) dirty_.resize(size_t{page} / 32 + 1, 0);
}

template <typename F>
void iMemoryPagedFile<F>::set_dirty(uint32_t page, bool dirty) {
  grow_tables(page);
  uint32_t bit = 1u << (page % 32);
  if (dirty) {
    dirty_[page / 32] |= bit;
  } else {
    dirty_[page / 32] &= ~bit;
  }
}

// Page blocks are page-aligned and start zeroed, so that the bytes of a page
// past the end of the file read as zeros.
template <typename F>
unsigned char* iMemoryPagedFile<F>::new_block() {
  void* block = heap_allocate_aligned(page_size_, page_size_);
  std::memset(block, 0, page_size_);
  return static_cast<unsigned char*>(block);
}

template <typename F>
void iMemoryPagedFile<F>::free_block(Page& page) {
  heap_free(page.block);
  page.block = nullptr;
}

template <typename F>
void iMemoryPagedFile<F>::uncharge(uint32_t pages) {
  charge_ = pages > charge_ ? 0 : charge_ - pages;
}

template <typename F>
int64_t iMemoryPagedFile<F>::page_bytes(uint32_t first_page, uint32_t pages) const {
  int64_t start = int64_t{first_page} * page_size_;
  return std::min<int64_t>(int64_t{pages} * page_size_, int64_t{size_} - start);
}

template <typename F>
bool iMemoryPagedFile<F>::write_back(uint32_t first_page, const unsigned char* data,
                                     int64_t length) {
  if (length <= 0 || inner_ == nullptr) return true;
  const auto start = static_cast<int32_t>(int64_t{first_page} * page_size_);
  if (inner_->seek(start, kSeekBegin) == start &&
      inner_->write(data, static_cast<uint32_t>(length)) == length) {
    return true;
  }
  set_error();
  return false;
}

template <typename F>
void iMemoryPagedFile<F>::load(uint32_t page, bool clean) {
  if (page_limit_ != 0 && charge_ > page_limit_) evict();
  grow_tables(page);
  Page& entry = pages_[page];
  entry.block = new_block();
  if (clean && page_limit_ != 0) candidates_.insert({entry.counter, page});
  inner_->seek(static_cast<int32_t>(int64_t{page} * page_size_), kSeekBegin);
  inner_->read(entry.block, page_size_);  // a short read leaves zeros
  set_dirty(page, false);
  ++charge_;
}

template <typename F>
void iMemoryPagedFile<F>::touch_clean(uint32_t page) {
  Page& entry = pages_[page];
  if (candidates_.erase({entry.counter, page}) == 0) file_io::print_diagnostic("error");
  ++entry.counter;
  candidates_.insert({entry.counter, page});
}

template <typename F>
int32_t iMemoryPagedFile<F>::read(void* out, uint32_t n) {
  if (inner_ == nullptr || position_ >= size_) return 0;
  n = std::min(n, size_ - position_);
  if (n == 0) return 0;
  auto* buffer = static_cast<unsigned char*>(out);
  const uint32_t first = position_ / page_size_;
  const uint32_t last = (position_ + n - 1) / page_size_;
  for (uint32_t page = first; page <= last; ++page) {
    grow_tables(page);
    if (pages_[page].block == nullptr) {
      pages_[page].counter = kLoadCounter;
      load(page, true);
    } else if (page_limit_ != 0) {
      if (page_dirty(page)) {
        ++pages_[page].counter;
      } else {
        touch_clean(page);
      }
    }
    uint64_t page_start = uint64_t{page} * page_size_;
    uint64_t from = std::max<uint64_t>(position_, page_start);
    uint64_t to = std::min<uint64_t>(uint64_t{position_} + n, page_start + page_size_);
    std::memcpy(buffer + (from - position_), pages_[page].block + (from - page_start), to - from);
  }
  position_ += n;
  return static_cast<int32_t>(n);
}

template <typename F>
int32_t iMemoryPagedFile<F>::write(const void* in, uint32_t n) {
  if (read_only()) {  // as a descriptor opened for reading refuses it
    set_error();
    return -1;
  }
  if (n == 0 || inner_ == nullptr) return 0;
  n = std::min<uint32_t>(n, INT32_MAX - position_);
  const auto* buffer = static_cast<const unsigned char*>(in);
  uint32_t remaining = n;
  while (remaining > 0) {
    const uint32_t page = position_ / page_size_;
    const uint32_t offset = position_ % page_size_;
    const uint32_t piece = std::min(remaining, page_size_ - offset);
    grow_tables(page);
    Page& entry = pages_[page];
    if (entry.block != nullptr) {
      if (page_limit_ != 0) {
        if (!page_dirty(page) && candidates_.erase({entry.counter, page}) == 0) {
          file_io::print_diagnostic("error");
        }
        ++entry.counter;
      }
    } else {
      entry.counter = kLoadCounter;
      if (piece == page_size_ || uint64_t{page} * page_size_ >= size_) {
        // Nothing on disk to keep: a fresh page, no read.
        if (page_limit_ != 0 && charge_ > page_limit_) evict();
        pages_[page].block = new_block();
        ++charge_;
      } else {
        load(page, false);
      }
    }
    set_dirty(page, true);
    std::memcpy(pages_[page].block + offset, buffer, piece);
    buffer += piece;
    remaining -= piece;
    position_ += piece;
    size_ = std::max(size_, position_);
  }
  return static_cast<int32_t>(n);
}

template <typename F>
int32_t iMemoryPagedFile<F>::flush() {
  if (read_only()) return 0;
  bool failed = false;
  for (size_t word = 0; word < dirty_.size(); ++word) {
    uint32_t still_dirty = 0;
    for (uint32_t bits = dirty_[word]; bits != 0; bits &= bits - 1) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(bits));
      auto page = static_cast<uint32_t>(word * 32 + bit);
      if (page >= pages_.size() || pages_[page].block == nullptr) continue;
      if (!write_back(page, pages_[page].block, page_bytes(page, 1))) {
        // Kept dirty: the bytes stay in memory and a later flush tries again.
        still_dirty |= 1u << bit;
        failed = true;
        continue;
      }
      if (page_limit_ != 0) candidates_.insert({pages_[page].counter, page});
    }
    dirty_[word] = still_dirty;
  }
  return failed ? -1 : 0;
}

template <typename F>
int32_t iMemoryPagedFile<F>::sync() {
  if (flush() != 0) return -1;
  return inner_ == nullptr ? 0 : inner_->sync();
}

template <typename F>
void iMemoryPagedFile<F>::evict() {
  if (!candidates_.empty() && 9 * candidates_.size() < 10 * size_t{page_limit_}) {
    evict_quick();
  } else {
    evict_batch();
  }
}

template <typename F>
void iMemoryPagedFile<F>::evict_quick() {
  auto first = candidates_.begin();
  const uint32_t page = first->second;
  candidates_.erase(first);
  if (page < pages_.size()) {
    if (page_dirty(page)) {
      // A candidate is clean by rule. Should one be dirty all the same, its
      // bytes are written back rather than lost.
      file_io::print_diagnostic("assert violation");
      if (!write_back(page, pages_[page].block, page_bytes(page, 1))) return;  // kept
      set_dirty(page, false);
    }
    free_block(pages_[page]);
  }
  uncharge(1);
}

// The batch eviction in three phases: choose the pages to let go, seed the
// candidates for the quick path again, write the chosen pages back in runs.
template <typename F>
void iMemoryPagedFile<F>::evict_batch() {
  std::vector<uint32_t> kept;
  std::vector<uint32_t> selected = choose_batch(&kept);
  if (selected.empty()) return;
  reseed_candidates(selected.back(), kept);
  write_back_runs(selected);
}

// Lists every loaded page by its usage counter (halving each counter as it
// goes) and chooses the least used two thirds, at least one. Returns them
// in page order; `kept` gets the others, least used first.
template <typename F>
std::vector<uint32_t> iMemoryPagedFile<F>::choose_batch(std::vector<uint32_t>* kept) {
  struct Listed {
    uint32_t page;
    uint32_t counter;
  };
  std::vector<Listed> listed;
  for (uint32_t page = 0; page < pages_.size(); ++page) {
    if (pages_[page].block == nullptr) continue;
    listed.push_back({page, pages_[page].counter});
    pages_[page].counter >>= 1;
  }
  if (listed.empty()) return {};

  std::stable_sort(listed.begin(), listed.end(),
                   [](const Listed& a, const Listed& b) { return a.counter < b.counter; });
  const size_t k = std::max<size_t>(1, static_cast<size_t>(0.66 * static_cast<double>(listed.size())));
  std::vector<uint32_t> selected;
  for (size_t i = 0; i < k; ++i) selected.push_back(listed[i].page);
  for (size_t i = k; i < listed.size(); ++i) kept->push_back(listed[i].page);
  std::sort(selected.begin(), selected.end());
  return selected;
}

// The candidates start again from the highest chosen page (written back
// first, on its own) and the clean pages that were not chosen.
template <typename F>
void iMemoryPagedFile<F>::reseed_candidates(uint32_t highest, const std::vector<uint32_t>& kept) {
  const bool highest_kept =
      !write_back(highest, pages_[highest].block, page_bytes(highest, 1)) && page_dirty(highest);
  candidates_.clear();
  if (!highest_kept) {  // a dirty page that could not be written stays dirty
    candidates_.insert({pages_[highest].counter, highest});
    set_dirty(highest, false);
    uncharge(1);
  }
  for (uint32_t page : kept) {
    if (!page_dirty(page)) candidates_.insert({pages_[page].counter, page});
  }
}

// Writes the chosen pages back: runs of adjacent dirty pages go out from one
// page-aligned scratch block. Pages whose write-back failed stay dirty and
// loaded, and are no candidates.
template <typename F>
void iMemoryPagedFile<F>::write_back_runs(const std::vector<uint32_t>& selected) {
  std::unique_ptr<void, void (*)(void*)> allocation(
      heap_allocate_aligned(page_size_, size_t{page_size_} * kMaxRunPages), heap_free);
  auto* scratch = static_cast<unsigned char*>(allocation.get());
  for (size_t j = 0; j < selected.size();) {
    const uint32_t page = selected[j];
    if (page >= pages_.size()) {
      file_io::print_diagnostic("discepancy\n");
      ++j;
      continue;
    }
    uint32_t run = 1;
    bool written = true;
    if (page_dirty(page)) {
      while (j + run < selected.size() && run < kMaxRunPages && selected[j + run] == page + run &&
             page_dirty(page + run) && page_loaded(page + run)) {
        ++run;
      }
      if (run == 1) {
        written = write_back(page, pages_[page].block, page_bytes(page, 1));
      } else {
        for (uint32_t r = 0; r < run; ++r) {
          std::memcpy(scratch + size_t{r} * page_size_, pages_[page + r].block, page_size_);
        }
        written = write_back(page, scratch, page_bytes(page, run));
      }
      for (uint32_t r = 0; r < run; ++r) set_dirty(page + r, !written);
    }
    if (written) {
      uncharge(run);
      for (uint32_t r = 0; r < run; ++r) candidates_.insert({pages_[page + r].counter, page + r});
    }
    j += run;
  }
}

template class iMemoryPagedFile<iFdFile>;
template class iMemoryPagedFile<iUncachedFile>;

}  // namespace morvane
