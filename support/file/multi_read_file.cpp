#include "support/file/multi_read_file.h"

#include <ace/Guard_T.h>
#include <ace/Mutex.h>
#include <ace/OS_NS_Thread.h>

#include "support/file/open_flags.h"

namespace morvane {

struct MultiReadFdFile::Entry {
  std::unique_ptr<iFdFile> file;
  ACE_thread_t thread;
};

MultiReadFdFile::MultiReadFdFile() : mutex_(std::make_unique<ACE_Mutex>()) {}

MultiReadFdFile::~MultiReadFdFile() { MultiReadFdFile::close(); }

bool MultiReadFdFile::is_open() const {
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  return !table_.empty();
}

size_t MultiReadFdFile::descriptor_count() const {
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  return table_.size();
}

void MultiReadFdFile::close() {
  std::vector<Entry> closing;
  {
    ACE_Guard<ACE_Mutex> guard(*mutex_);
    closing.swap(table_);
  }
  // The descriptor files close as `closing` goes out of scope.
}

bool MultiReadFdFile::open(const char* name, int mode, uint32_t flags, uint32_t /*unused*/) {
  name_.assign(name);
  flags_ = mode == IF_MODE_READ ? kFileFlagReadOnly : 0;
  mode_ = mode;
  open_flags_ = flags;
  std::unique_ptr<iFdFile> file = open_descriptor();
  if (file == nullptr) return false;
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  table_.push_back({std::move(file), ACE_OS::thr_self()});
  return true;
}

std::unique_ptr<iFdFile> MultiReadFdFile::open_descriptor() {
  int mode = mode_;
  {
    ACE_Guard<ACE_Mutex> guard(*mutex_);
    if (mode == IF_MODE_CREATE && !table_.empty()) mode = IF_MODE_UPDATE;
  }
  auto file = std::make_unique<iFdFile>();
  const char* name = name_.get() == nullptr ? "" : name_.get();
  if (!file->open(name, mode, open_flags_ | IF_SHARED)) return nullptr;
  return file;
}

iFdFile* MultiReadFdFile::own_file() {
  const ACE_thread_t self = ACE_OS::thr_self();
  {
    ACE_Guard<ACE_Mutex> guard(*mutex_);
    for (Entry& entry : table_) {
      if (ACE_OS::thr_equal(entry.thread, self)) return entry.file.get();
    }
  }
  std::unique_ptr<iFdFile> file = open_descriptor();  // outside the lock
  if (file == nullptr) return nullptr;
  iFdFile* own = file.get();
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  table_.push_back({std::move(file), self});
  return own;
}

int32_t MultiReadFdFile::read_at(void* buffer, uint32_t n, int32_t position) {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->read_at(buffer, n, position);
}

int32_t MultiReadFdFile::read(void* buffer, uint32_t n) {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->read(buffer, n);
}

int32_t MultiReadFdFile::write_at(const void* buffer, uint32_t n, int32_t position) {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->write_at(buffer, n, position);
}

int32_t MultiReadFdFile::write(const void* buffer, uint32_t n) {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->write(buffer, n);
}

int32_t MultiReadFdFile::tell() {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->tell();
}

int32_t MultiReadFdFile::seek(int32_t offset, int whence) {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->seek(offset, whence);
}

int32_t MultiReadFdFile::sync() {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->sync();
}

int32_t MultiReadFdFile::flush() {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->flush();
}

int32_t MultiReadFdFile::eof() {
  iFdFile* file = own_file();
  return file == nullptr ? -1 : file->eof();
}

}  // namespace morvane
