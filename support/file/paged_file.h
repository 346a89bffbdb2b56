// iMemoryPagedFile<F>: a page cache in front of another file (an iFdFile or
// an iUncachedFile), which it owns. The file is held in memory as pages of
// the system page size, loaded on first touch, dirtied by writes and written
// back by flush, sync, close or a batch eviction, in page-aligned runs.
//
// With a page limit (cache bytes / page size, 0 = none), loading a page
// while more pages are charged than the limit first evicts:
//  - quick path: drop the clean page with the lowest usage counter (then
//    the lowest index) from the candidate set;
//  - batch path: halve every counter, write back the 66% least used pages
//    (adjacent dirty pages in runs of up to 16 from one aligned block) and
//    make them clean candidates for the quick path.
// Usage counters start at 128 at load and grow by one per access.
//
// Diagnostics on standard output, which never stop the operation: "error"
// when a clean page is missing from the candidates, "assert violation" when
// the quick path meets a dirty page, "discepancy\n" when a batch selects a
// page beyond the page table.
//
// A write-back that the inner file refuses (a full disk, the file size
// limit) sets the error bit and leaves the pages dirty in memory; flush and
// sync then return -1, and eviction keeps such pages instead of dropping
// them.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "support/file/abstract_file.h"

namespace morvane {

template <typename F>
class iMemoryPagedFile final : public iAbstractFile {
 public:
  iMemoryPagedFile();
  ~iMemoryPagedFile() override;

  bool is_open() const override;
  // Writes back the dirty pages, closes and destroys the inner file, frees
  // every page.
  void close() override;
  // Reads up to the logical size.
  int32_t read(void* buffer, uint32_t n) override;
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override { return static_cast<int32_t>(position_); }
  // Whence 2 counts back from the end; a target beyond the size grows it.
  int32_t seek(int32_t offset, int whence) override;
  // flush, then the inner file's sync.
  int32_t sync() override;
  // Writes back every dirty page in page order; 0, or -1 (and the error
  // bit) when a page could not be written: such pages stay dirty.
  int32_t flush() override;
  int32_t eof() override { return position_ >= size_ ? 1 : 0; }
  // Takes ownership of `inner` at once; false when it is null, not open or
  // cannot be sought in (a pipe, past 2 GiB), and then inner is destroyed so
  // that this object is closed. Mode IF_MODE_READ makes the cache
  // read-only: writes then fail with -1 and the error bit, as they do on a
  // descriptor opened for reading.
  bool open(F* inner, int mode, uint32_t cache_bytes);

  uint32_t page_limit() const { return page_limit_; }
  uint32_t charge() const { return charge_; }
  size_t loaded_pages() const;
  size_t candidate_count() const { return candidates_.size(); }
  bool page_loaded(uint32_t page) const;
  bool page_dirty(uint32_t page) const;
  uint32_t page_counter(uint32_t page) const;
  uint32_t size() const { return size_; }
  F* inner() const { return inner_.get(); }

 private:
  struct Page {
    unsigned char* block = nullptr;
    uint32_t counter = 0;
  };

  void grow_tables(uint32_t page);
  void set_dirty(uint32_t page, bool dirty);
  unsigned char* new_block();
  void free_block(Page& page);
  void load(uint32_t page, bool clean);
  void evict();
  void evict_quick();
  void evict_batch();
  std::vector<uint32_t> choose_batch(std::vector<uint32_t>* kept);
  void reseed_candidates(uint32_t highest, const std::vector<uint32_t>& kept);
  void write_back_runs(const std::vector<uint32_t>& selected);
  void touch_clean(uint32_t page);
  // Writes `length` bytes of `data` at page start through the inner file;
  // false, with the error bit set, when the inner file did not take them.
  bool write_back(uint32_t first_page, const unsigned char* data, int64_t length);
  int64_t page_bytes(uint32_t first_page, uint32_t pages) const;
  void uncharge(uint32_t pages);

  std::unique_ptr<F> inner_;
  uint32_t page_limit_ = 0;
  uint32_t charge_ = 0;
  std::set<std::pair<uint32_t, uint32_t>> candidates_;  // (counter, page)
  uint32_t page_size_;
  std::vector<uint32_t> dirty_;
  std::vector<Page> pages_;
  uint32_t position_ = 0;
  uint32_t size_ = 0;
};

class iFdFile;
class iUncachedFile;
extern template class iMemoryPagedFile<iFdFile>;
extern template class iMemoryPagedFile<iUncachedFile>;

}  // namespace morvane
