// MultiReadFdFile: one file name, one descriptor file per thread, so that
// threads read and position independently. A thread's descriptor is opened
// the first time that thread uses the object.
//
// Threads: safe for concurrent use by multiple threads (the table of
// descriptors is guarded by a mutex; each descriptor file is used by its own
// thread only). open and close: REQUIRES no concurrent use.
//
// When the calling thread's own descriptor cannot be opened (say, the file
// was removed meanwhile), every operation reports failure as its result:
// read, write, read_at, write_at, tell, seek and eof give -1, sync and flush
// give -1; nothing is thrown except TooManyOpenFiles from the open itself.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "support/file/fd_file.h"

class ACE_Mutex;

namespace morvane {

class MultiReadFdFile final : public iAbstractFile {
 public:
  MultiReadFdFile();
  ~MultiReadFdFile() override;

  // True while any thread's descriptor is open.
  bool is_open() const override;
  // Closes every thread's descriptor.
  void close() override;
  int32_t read_at(void* buffer, uint32_t n, int32_t position) override;
  int32_t read(void* buffer, uint32_t n) override;
  int32_t write_at(const void* buffer, uint32_t n, int32_t position) override;
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override;
  int32_t seek(int32_t offset, int whence) override;
  int32_t sync() override;
  int32_t flush() override;
  int32_t eof() override;
  // Opens a descriptor for the calling thread; the fourth argument is not
  // used. Later threads open the same name in the same mode (create becoming
  // update, so the file is emptied once), with IF_SHARED added.
  bool open(const char* name, int mode, uint32_t flags, uint32_t unused);

  // Number of descriptors open, one per thread that used the object.
  size_t descriptor_count() const;

 private:
  struct Entry;

  // The calling thread's descriptor file, opened on first use; null when it
  // cannot be opened.
  iFdFile* own_file();
  std::unique_ptr<iFdFile> open_descriptor();

  std::unique_ptr<ACE_Mutex> mutex_;
  std::vector<Entry> table_;
  int mode_ = 0;
  uint32_t open_flags_ = 0;
};

}  // namespace morvane
