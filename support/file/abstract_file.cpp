#include "support/file/abstract_file.h"

#include <cstring>

#include "support/exception/exception.h"

namespace morvane {

iAbstractFile::~iAbstractFile() = default;  // the name frees itself

int32_t iAbstractFile::read_at(void* buffer, uint32_t n, int32_t position) {
  if (seek(position, kSeekBegin) == -1) return -1;
  return read(buffer, n);
}

int32_t iAbstractFile::write_at(const void* buffer, uint32_t n, int32_t position) {
  if (seek(position, kSeekBegin) == -1) return -1;
  return write(buffer, n);
}

int32_t iAbstractFile::ftell() { return tell(); }

int32_t iAbstractFile::fseek(int32_t offset, int whence) {
  return seek(offset, whence) == -1 ? -1 : 0;
}

char* iAbstractFile::gets(char* buffer, int32_t size) {
  if (buffer == nullptr || size < 1 || eof() != 0) return nullptr;
  int32_t stored = 0;
  while (stored < size - 1) {
    int32_t c = getc();
    if (c == -1) break;
    buffer[stored++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[stored] = '\0';
  return stored > 0 ? buffer : nullptr;
}

int32_t iAbstractFile::getc() {
  unsigned char byte;
  return read(&byte, 1) < 1 ? -1 : byte;
}

int32_t iAbstractFile::ungetc(int32_t c) {
  return seek(-1, kSeekCurrent) == -1 ? -1 : c;
}

int32_t iAbstractFile::puts(const char* text) {
  if (text == nullptr) return 0;
  size_t length = std::strlen(text);
  if (length > UINT32_MAX) return 0;
  return fwrite(text, 1, static_cast<uint32_t>(length)) == length ? 1 : 0;
}

int32_t iAbstractFile::putc(int32_t c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return write(&byte, 1) == 1 ? 1 : 0;
}

namespace {

// Items of `size` bytes in a transfer of `bytes` (a partial item does not
// count); the product size * count is limited to the 32-bit range.
uint32_t whole_items(int32_t bytes, uint32_t size) {
  return bytes < 0 || size == 0 ? 0 : static_cast<uint32_t>(bytes) / size;
}

bool item_bytes(uint32_t size, uint32_t count, uint32_t* bytes) {
  uint64_t product = uint64_t{size} * count;
  if (product > UINT32_MAX) return false;
  *bytes = static_cast<uint32_t>(product);
  return true;
}

}  // namespace

uint32_t iAbstractFile::fread(void* buffer, uint32_t size, uint32_t count) {
  uint32_t bytes;
  if (!item_bytes(size, count, &bytes)) return 0;
  return whole_items(read(buffer, bytes), size);
}

uint32_t iAbstractFile::fwrite(const void* buffer, uint32_t size, uint32_t count) {
  uint32_t bytes;
  if (!item_bytes(size, count, &bytes)) return 0;
  return whole_items(write(buffer, bytes), size);
}

int32_t iAbstractFile::eof() {
  int32_t position = tell();
  if (position < 0) return -1;
  int32_t end = seek(0, kSeekEnd);
  if (end < 0) return -1;
  seek(position, kSeekBegin);
  return position >= end ? 1 : 0;
}

int32_t iAbstractFile::error() { return (state_ & kFileStateError) != 0 ? 1 : 0; }

void iAbstractFile::clearerr() { state_ = 0; }

int64_t iAbstractFile::read_at64(void*, int64_t, int64_t) {
  throw iException("Invalid 64 bit call");
}

int64_t iAbstractFile::write_at64(const void*, int64_t, int64_t) {
  throw iException("Invalid 64 bit call");
}

int64_t iAbstractFile::size64() { throw iException("Invalid 64 bit call"); }

}  // namespace morvane
