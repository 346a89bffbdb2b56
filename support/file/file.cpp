#include "support/file/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/file/buffered_file.h"
#include "support/file/fd_file.h"
#include "support/file/multi_read_file.h"
#include "support/file/paged_file.h"
#include "support/file/sliced_file.h"
#include "support/file/stream_file.h"
#include "support/file/uncached_file.h"

namespace morvane {

namespace {

// The part of a file's name that error messages show: the text after the
// last "|" (the whole name when it has none; empty without a name).
WString name_tail(const iAbstractFile* file) {
  const char* name = file == nullptr ? nullptr : file->name();
  if (name == nullptr) return WString();
  const char* bar = std::strrchr(name, '|');
  return WString(bar == nullptr ? name : bar + 1, codepage_latin1);
}

// The page cache of an uncached file when the caller names no size.
constexpr uint32_t kDefaultUncachedCache = 64u << 20;

}  // namespace

bool iFile::open(const char* name, int mode, uint32_t flags, uint32_t cache_size) {
  if (file_ != nullptr) {
    if (file_->is_open()) return false;
    file_.reset();
  }
  if (name == nullptr) return false;
  if (std::strcmp(name, "-") == 0) {
    // Standard input; binary and text mode are the same here.
    file_ = std::make_unique<iFILEFile>(stdin, false);
    return true;
  }
  if (flags & IF_THROW) throw_on_short_io_ = true;

  // Each new object is held before it opens, so a throwing open leaks
  // nothing and a refused one stays until the next open or close.
  if (flags & IF_SLICED64) {
    auto* sliced = new iFileSliced64();
    file_.reset(sliced);
    return sliced->open(name, mode, flags, 0);
  }
  if (flags & IF_UNCACHED) {
    auto inner = std::make_unique<iUncachedFile>();
    inner->open(name, mode, flags);  // the paged file checks that it opened
    auto* paged = new iMemoryPagedFile<iUncachedFile>();
    file_.reset(paged);
    return paged->open(inner.release(), mode,
                       cache_size == 0 ? kDefaultUncachedCache : cache_size);
  }
  if (flags & IF_PAGED) {
    auto inner = std::make_unique<iFdFile>();
    inner->open(name, mode, flags);
    auto* paged = new iMemoryPagedFile<iFdFile>();
    file_.reset(paged);
    return paged->open(inner.release(), mode, 0);  // no page limit
  }
  if (flags & IF_MULTI_READ) {
    auto* multi = new MultiReadFdFile();
    file_.reset(multi);
    return multi->open(name, mode, flags, 0);
  }
  iFdFile* file;
  if ((flags & IF_BUFFERED) && !(flags & IF_MAP)) {
    file = new iBufferedFile<iFdFile>();
  } else {
    file = new iFdFile();
  }
  file_.reset(file);
  return file->open(name, mode, flags);
}

int32_t iFile::close() {
  if (file_ == nullptr) return 0;
  // A read-only file has nothing to push out.
  const bool writable = file_->is_open() && (file_->flags() & kFileFlagReadOnly) == 0;
  const int32_t result = writable ? file_->flush() : 0;
  WString name = result != 0 && throw_on_short_io_ ? name_tail(file_.get()) : WString();
  file_.reset();
  if (result != 0 && throw_on_short_io_) throw FileWriteError(name);
  return result;
}

int32_t iFile::flush() {
  if (file_ == nullptr) return 0;
  const int32_t result = file_->flush();
  if (result != 0 && throw_on_short_io_) throw FileWriteError(name_tail(file_.get()));
  return result;
}

bool iFile::open_stream(const char* name) {
  if (file_ != nullptr) {
    if (file_->is_open()) return false;
    file_.reset();
  }
  if (name == nullptr) return false;
  std::FILE* stream = std::fopen(name, "rbe");  // e: close on exec
  if (stream == nullptr) {
    if (errno == ENFILE || errno == EMFILE) throw TooManyOpenFiles(WString(name, codepage_latin1));
    return false;
  }
  file_ = std::make_unique<iFILEFile>(stream, true, name);
  return true;
}

template <typename Error>
int32_t iFile::checked(int32_t result, uint32_t n) const {
  if (!throw_on_short_io_) return result;
  if (file_ != nullptr && result >= 0 && static_cast<uint32_t>(result) == n) return result;
  throw Error(name_tail(file_.get()));
}

int32_t iFile::read(void* buffer, uint32_t n) {
  if (n == 0) return 0;
  return checked<FileReadError>(file_ ? file_->read(buffer, n) : -1, n);
}

int32_t iFile::write(const void* buffer, uint32_t n) {
  if (n == 0) return 0;
  return checked<FileWriteError>(file_ ? file_->write(buffer, n) : -1, n);
}

int32_t iFile::read_at(void* buffer, uint32_t n, int32_t position) {
  if (n == 0) return 0;
  return checked<FileReadError>(file_ ? file_->read_at(buffer, n, position) : -1, n);
}

int32_t iFile::write_at(const void* buffer, uint32_t n, int32_t position) {
  if (n == 0) return 0;
  return checked<FileWriteError>(file_ ? file_->write_at(buffer, n, position) : -1, n);
}

}  // namespace morvane
