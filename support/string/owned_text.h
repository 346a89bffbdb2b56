// Small owners of narrow (byte) text, used by the file classes for names.
#pragma once

#include <cstddef>

namespace morvane {

// Holds one heap copy of a NUL-terminated byte text, or null.
// Copying an OwnedText copies the text; the copy is freed on destruction.
class OwnedText {
 public:
  OwnedText() = default;
  // Copies `text`; null stays null.
  explicit OwnedText(const char* text);
  OwnedText(const OwnedText& other) : OwnedText(other.text_) {}
  OwnedText(OwnedText&& other) noexcept : text_(other.text_) { other.text_ = nullptr; }
  OwnedText& operator=(const OwnedText& other) { return assign(other.text_); }
  OwnedText& operator=(OwnedText&& other) noexcept;
  ~OwnedText();

  // Holds a copy of `text`. Assigning the very text already held (or the
  // static empty text while none is held) changes nothing; null frees the
  // copy. The new copy is made before the old one is freed, so assigning a
  // piece of the held text is safe.
  OwnedText& assign(const char* text);

  // The held text, or null.
  const char* get() const { return text_; }
  // The held text, or the static empty text when none is held.
  const char* c_str() const;

 private:
  char* text_ = nullptr;
};

// A text buffer of a fixed size: owns size + 1 bytes and starts as the
// empty text. Not copyable.
class TextBuffer {
 public:
  explicit TextBuffer(size_t size);
  ~TextBuffer();
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;

  char* data() { return data_; }
  const char* data() const { return data_; }
  // Room for text, the final NUL not counted.
  size_t size() const { return size_; }

 private:
  char* data_;
  size_t size_;
};

}  // namespace morvane
