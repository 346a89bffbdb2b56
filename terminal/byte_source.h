// The base of a source that the statement reader reads byte by byte with
// getc and ungetc, and that has no positions and takes no writes (typed
// input). read is made of getc; subclasses give getc, ungetc and eof.
#pragma once

#include "support/file/abstract_file.h"

namespace tarnwick {

class ByteSource : public morvane::iAbstractFile {
 public:
  int32_t read(void* buffer, uint32_t n) override {
    uint32_t done = 0;
    for (int32_t c; done < n && (c = getc()) >= 0; ++done) static_cast<char*>(buffer)[done] = static_cast<char>(c);
    return static_cast<int32_t>(done);
  }
  bool is_open() const override { return true; }
  void close() override {}
  int32_t write(const void*, uint32_t) override { return -1; }
  int32_t tell() override { return -1; }
  int32_t seek(int32_t, int) override { return -1; }
  int32_t sync() override { return 0; }
  int32_t flush() override { return 0; }
};

}  // namespace tarnwick
