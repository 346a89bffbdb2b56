// iFile: the holder through which every file of the program is opened,
// read, written and closed. `open` is the one factory: from a name, a mode
// and flags it chooses the file class, builds it, keeps it and opens it.
//
// In throwing mode (IF_THROW at any open) a short or failed read or write
// throws FileReadError or FileWriteError instead of returning the count, and
// so does a flush or close that could not write pending data.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
#pragma once

#include <cstdint>
#include <memory>

#include "support/exception/exception.h"
#include "support/file/abstract_file.h"
#include "support/file/open_flags.h"

namespace morvane {

class iFile {
 public:
  // A short or failed read in throwing mode; the message is the file's name
  // after its last "|".
  class FileReadError : public iException {
   public:
    using iException::iException;
  };
  // The same for writes.
  class FileWriteError : public iException {
   public:
    using iException::iException;
  };
  // The descriptor limit reached at open; the message is the name as given.
  class TooManyOpenFiles : public iException {
   public:
    using iException::iException;
  };

  iFile() = default;
  iFile(const iFile&) = delete;
  iFile& operator=(const iFile&) = delete;
  ~iFile() = default;  // the file object closes itself

  // The factory. "-" is standard input (never closed by this holder). False
  // when this holder's file is still open, or when the open is refused (the
  // unopened object stays until the next open or close). The first flag
  // that applies chooses: IF_SLICED64, IF_UNCACHED (page cache over direct
  // I/O, `cache_size` 0 meaning 64 MiB), IF_PAGED (page cache over a
  // descriptor, without a page limit), IF_MULTI_READ, IF_BUFFERED without
  // IF_MAP; otherwise a plain descriptor file.
  bool open(const char* name, int mode, uint32_t flags, uint32_t cache_size);
  // Opens `name` for reading as a stdio stream that this holder owns: for
  // what the other classes cannot read, pipes, devices and files past
  // 2 GiB. getc, ungetc and eof go through the stream's buffer; read goes to
  // the descriptor (use one kind or the other on one file). False when the
  // holder's file is still open or the name cannot be opened; the
  // descriptor limit throws TooManyOpenFiles as open does.
  bool open_stream(const char* name);
  // Flushes the file's pending writes and destroys the object, which closes
  // it; nothing when there is none. 0, or the flush's non-zero result when
  // pending data could not be written (throwing mode: FileWriteError).
  int32_t close();
  bool is_open() const { return file_ != nullptr && file_->is_open(); }

  // Forwarded, with the throwing rule; -1 when there is no file.
  int32_t read(void* buffer, uint32_t n);
  int32_t write(const void* buffer, uint32_t n);
  int32_t read_at(void* buffer, uint32_t n, int32_t position);
  int32_t write_at(const void* buffer, uint32_t n, int32_t position);
  // Forwarded; 0 when there is no file.
  int32_t ftell() { return file_ ? file_->ftell() : 0; }
  // Forwarded; 0 when there is no file. A failed flush (pending data that
  // could not be written) throws FileWriteError in throwing mode.
  int32_t flush();
  // Forwarded; -1 when there is no file.
  int32_t getc() { return file_ ? file_->getc() : -1; }
  int32_t ungetc(int32_t c) { return file_ ? file_->ungetc(c) : -1; }
  int32_t eof() { return file_ ? file_->eof() : -1; }

  bool throws_on_short_io() const { return throw_on_short_io_; }
  // The file object, or null.
  iAbstractFile* get() const { return file_.get(); }

 private:
  // Checks a transfer's result in throwing mode.
  template <typename Error>
  int32_t checked(int32_t result, uint32_t n) const;

  std::unique_ptr<iAbstractFile> file_;
  bool throw_on_short_io_ = false;
};

}  // namespace morvane
