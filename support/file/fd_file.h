// iFdFile: a file over an operating-system descriptor, or, for read-only
// opens with IF_MAP while map_read_only_files is on, over a read-only
// memory mapping of the whole file.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
// Short transfers set the error bit of the state word; the holder iFile
// turns them into exceptions in throwing mode.
#pragma once

#include <cstdint>
#include <memory>

#include "support/file/abstract_file.h"

class ACE_Mem_Map;

namespace morvane {

// Process-wide switch for the mapped mode; off at start.
extern bool map_read_only_files;

class iFdFile : public iAbstractFile {
 public:
  iFdFile();
  ~iFdFile() override;

  bool is_open() const override;
  // Closes the descriptor, or syncs and unmaps a mapped file.
  void close() override;
  // Sets the error bit unless exactly n bytes were read.
  int32_t read(void* buffer, uint32_t n) override;
  // Sets the error bit unless exactly n bytes were written; -1 when mapped.
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override;
  // Mapped: whence 2 counts back from the end; a target outside the mapping
  // gives -1 and leaves the position.
  int32_t seek(int32_t offset, int whence) override;
  // fsync, unless the file is read-only (then 0).
  int32_t sync() override;
  // 0; a mapped file syncs its mapping first.
  int32_t flush() override;

  // Opens `name` in `mode` (IF_MODE_*, other values as update) with
  // IF_* `flags`. The name is stored even when the open is refused. False
  // when already open or when the system refuses; throws
  // iFile::TooManyOpenFiles when the descriptor limit is reached.
  virtual bool open(const char* name, int mode, uint32_t flags);

  int descriptor() const { return descriptor_; }
  bool mapped() const { return mapped_; }

 protected:
  int descriptor_ = -1;

 private:
  bool open_mapped(const char* name, uint32_t flags);
  void prefault();

  std::unique_ptr<ACE_Mem_Map> mapping_;
  const unsigned char* mapped_base_ = nullptr;
  bool mapped_ = false;
  uint32_t mapped_position_ = 0;
  uint32_t mapped_size_ = 0;
};

}  // namespace morvane
