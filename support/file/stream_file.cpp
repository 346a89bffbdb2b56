#include "support/file/stream_file.h"

#include "support/file/file_io.h"


namespace morvane {

iFILEFile::~iFILEFile() { iFILEFile::close(); }

void iFILEFile::close() {
  if (owns_stream_ && stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
}

int iFILEFile::descriptor() const { return stream_ == nullptr ? -1 : fileno(stream_); }

int32_t iFILEFile::read(void* buffer, uint32_t n) {
  return static_cast<int32_t>(file_io::read_some(descriptor(), buffer, n));
}

int32_t iFILEFile::write(const void* buffer, uint32_t n) {
  return static_cast<int32_t>(file_io::write_some(descriptor(), buffer, n));
}

int32_t iFILEFile::tell() { return file_io::narrow_position(::lseek(descriptor(), 0, SEEK_CUR)); }

int32_t iFILEFile::seek(int32_t offset, int whence) {
  if (!file_io::valid_whence(whence)) return -1;
  return file_io::narrow_position(::lseek(descriptor(), offset, whence));
}

int32_t iFILEFile::ftell() { return stream_ == nullptr ? -1 : file_io::narrow_position(std::ftell(stream_)); }

int32_t iFILEFile::fseek(int32_t offset, int whence) {
  return stream_ == nullptr ? -1 : std::fseek(stream_, offset, whence);
}

int32_t iFILEFile::sync() {
  if (stream_ == nullptr) return -1;
  std::fflush(stream_);
  return ::fsync(descriptor());
}

int32_t iFILEFile::flush() { return stream_ == nullptr ? -1 : std::fflush(stream_); }

char* iFILEFile::gets(char* buffer, int32_t size) {
  if (stream_ == nullptr || buffer == nullptr || size < 1) return nullptr;
  return std::fgets(buffer, size, stream_);
}

int32_t iFILEFile::getc() { return stream_ == nullptr ? EOF : std::fgetc(stream_); }

int32_t iFILEFile::ungetc(int32_t c) { return stream_ == nullptr ? EOF : std::ungetc(c, stream_); }

int32_t iFILEFile::puts(const char* text) {
  return stream_ == nullptr || text == nullptr ? EOF : std::fputs(text, stream_);
}

int32_t iFILEFile::putc(int32_t c) { return stream_ == nullptr ? EOF : std::fputc(c, stream_); }

uint32_t iFILEFile::fread(void* buffer, uint32_t size, uint32_t count) {
  return stream_ == nullptr ? 0 : static_cast<uint32_t>(std::fread(buffer, size, count, stream_));
}

uint32_t iFILEFile::fwrite(const void* buffer, uint32_t size, uint32_t count) {
  return stream_ == nullptr ? 0 : static_cast<uint32_t>(std::fwrite(buffer, size, count, stream_));
}

int32_t iFILEFile::eof() { return stream_ == nullptr ? -1 : std::feof(stream_); }

int32_t iFILEFile::error() { return stream_ == nullptr ? 0 : std::ferror(stream_); }

void iFILEFile::clearerr() {
  if (stream_ != nullptr) std::clearerr(stream_);
}

}  // namespace morvane
