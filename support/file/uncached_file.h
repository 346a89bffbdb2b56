// iUncachedFile: a file read and written around the operating system's page
// cache (O_DIRECT). Every disk transfer covers whole pages at page-aligned
// positions from page-aligned memory: byte-granular calls go through a
// private bounce block of 16 pages. The file keeps a logical size of its
// own and is cut back to it when closed.
//
// Where the file system refuses O_DIRECT the file is opened without it and
// its cached pages are dropped with posix_fadvise after each transfer.
//
// Diagnostics (fixed texts, no line end): "Unaligned position" on standard
// output for a transfer at a position that is not page-aligned (it is still
// carried out); "jerkjrtjk" for a short disk write and "erklrtklrekl" when a
// direct write from the caller's buffer came up short; "Can't open NAME" on
// standard error when the open fails.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
#pragma once

#include <cstdint>
#include <memory>

#include "support/file/abstract_file.h"

namespace morvane {

// Test seam: when true, opens behave as if the file system refused O_DIRECT.
extern bool uncached_files_refuse_direct_io;

class iUncachedFile final : public iAbstractFile {
 public:
  static constexpr uint32_t kBouncePages = 16;

  iUncachedFile();
  ~iUncachedFile() override;

  bool is_open() const override;
  // Closes the file and, unless it was opened for reading or is empty, cuts
  // it back to its logical size.
  void close() override;
  int32_t read(void* buffer, uint32_t n) override;
  // A write from a page-aligned buffer at a page-aligned position, of whole
  // pages, goes straight to the disk; any other through the bounce block.
  // When the disk takes fewer bytes, the error bit is set and the count is
  // what reached it.
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override;
  // Whence 2 counts back from the end; a target beyond the size grows the
  // logical size (fails in mode read).
  int32_t seek(int32_t offset, int whence) override;
  int32_t sync() override { return 0; }
  int32_t flush() override { return 0; }
  // Mode 1 needs the file; mode 0 creates or empties it; others create it
  // when missing. Mode 3 starts at the end.
  bool open(const char* name, int mode, uint32_t flags);

  uint32_t size() const;
  // True when the file is served without the page cache (O_DIRECT took).
  bool direct() const;

 private:
  struct Handle;

  void read_pages(uint32_t first_page, uint32_t pages);
  // Writes whole pages from the bounce block; false when the disk took fewer.
  bool write_pages(uint32_t first_page, uint32_t pages);
  void drop_cache(off_t offset, size_t length) const;

  std::unique_ptr<Handle> handle_;
};

}  // namespace morvane
