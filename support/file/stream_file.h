// iFILEFile: a file over a C stdio stream; the holder builds it for the name
// "-" (standard input) and for open_stream (a named file read as a stream).
//
// read, write, tell and seek work on the stream's descriptor and bypass the
// stream's buffer; gets, getc, ungetc, puts, putc, fread, fwrite, ftell,
// fseek, eof, error and clearerr go through the stream and return what
// stdio returns. The stream is closed only when the object owns it.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
#pragma once

#include <cstdio>

#include "support/file/abstract_file.h"

namespace morvane {

class iFILEFile final : public iAbstractFile {
 public:
  iFILEFile(FILE* stream, bool owns_stream) : stream_(stream), owns_stream_(owns_stream) {}
  // The same, with the name the stream was opened under.
  iFILEFile(FILE* stream, bool owns_stream, const char* name) : iFILEFile(stream, owns_stream) {
    name_.assign(name);
  }
  ~iFILEFile() override;

  bool is_open() const override { return stream_ != nullptr; }
  // Closes the stream when owned; forgets it in any case.
  void close() override;
  int32_t read(void* buffer, uint32_t n) override;
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override;
  int32_t seek(int32_t offset, int whence) override;
  int32_t ftell() override;
  int32_t fseek(int32_t offset, int whence) override;
  // fflush, then fsync of the descriptor, whose result is returned.
  int32_t sync() override;
  int32_t flush() override;
  char* gets(char* buffer, int32_t size) override;
  int32_t getc() override;
  // Pushes c back into the stream (stdio's ungetc).
  int32_t ungetc(int32_t c) override;
  int32_t puts(const char* text) override;
  int32_t putc(int32_t c) override;
  uint32_t fread(void* buffer, uint32_t size, uint32_t count) override;
  uint32_t fwrite(const void* buffer, uint32_t size, uint32_t count) override;
  // The stream's end-of-file indicator: set once a read has hit the end.
  int32_t eof() override;
  int32_t error() override;
  void clearerr() override;

 private:
  int descriptor() const;

  FILE* stream_;
  bool owns_stream_;
};

}  // namespace morvane
