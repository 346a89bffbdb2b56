#include "support/string/owned_text.h"

#include <cstdint>
#include <cstring>

#include "support/heap/heap.h"
#include "support/string/wstring.h"

namespace morvane {

namespace {

char* copy_text(const char* text) {
  if (text == nullptr) return nullptr;
  size_t size = std::strlen(text) + 1;
  char* copy = heap_allocate_array<char>(size);
  std::memcpy(copy, text, size);
  return copy;
}

}  // namespace

OwnedText::OwnedText(const char* text) : text_(copy_text(text)) {}

OwnedText& OwnedText::operator=(OwnedText&& other) noexcept {
  if (this != &other) {
    heap_free(text_);
    text_ = other.text_;
    other.text_ = nullptr;
  }
  return *this;
}

OwnedText::~OwnedText() { heap_free(text_); }

OwnedText& OwnedText::assign(const char* text) {
  if (text == text_ || (text_ == nullptr && text == kEmptyText)) return *this;
  char* copy = copy_text(text);
  heap_free(text_);
  text_ = copy;
  return *this;
}

const char* OwnedText::c_str() const { return text_ == nullptr ? kEmptyText : text_; }

TextBuffer::TextBuffer(size_t size) : data_(nullptr), size_(size) {
  if (size == SIZE_MAX) heap_refuse(SIZE_MAX);  // no room for the NUL
  data_ = heap_allocate_array<char>(size + 1);
  data_[0] = '\0';
}

TextBuffer::~TextBuffer() { heap_free(data_); }

}  // namespace morvane
