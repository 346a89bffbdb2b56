// WString: the support library's text type, a UTF-16 string whose body is
// shared between copies and counted.
//
// Cost: a copy or an assignment shares the body (one locked increment); it
// never copies text, whatever the length. Appending to a shared body copies
// the text into a new body first; the sole holder appends in place.
//
// Narrow forms: narrow(0) gives ISO-8859-1 bytes and narrow(1) UTF-8 bytes.
// Each form is converted at most once per body and kept with it; the pointer
// stays valid while the body lives and is not appended to.
//
// Threads: distinct WString values may share a body and live on different
// threads: counts change under the body's striped count lock, cached forms
// are published under its form lock, and a shared body is never written.
// One WString value must not be changed by two threads at once (like int).
//
// Invariants: a null body is the empty string; no body of length 0 exists;
// the unit at index `length` of a body is always 0; while a body's count is
// above 1 its units never change.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/codepage/codepage.h"

namespace morvane {

// A string body: header and units in one allocation.
struct StringRep {
  uint32_t length;             // units, final NUL not counted
  std::atomic<char*> forms[2]; // cached narrow forms 0 and 1, null until asked
  uint32_t count;              // holders; changed only under the count lock
  uint32_t capacity;           // units the body can hold, final NUL included

  char16_t* units() { return reinterpret_cast<char16_t*>(this + 1); }
  const char16_t* units() const { return reinterpret_cast<const char16_t*>(this + 1); }
};

class WString {
 public:
  // The empty string (null body).
  WString() = default;

  // Decodes narrow text by code page (see decode_narrow): a null or empty
  // text gives the empty string; code pages other than 0 and 1 throw
  // illegal_codepage. The body gets capacity length + 1.
  WString(const char* text, CodePage code_page);

  // Copies `count` units; 0 gives the empty string.
  WString(const char16_t* units, size_t count);

  // Copies a NUL-terminated UTF-16 text; null gives the empty string.
  explicit WString(const char16_t* text);

  WString(const WString& other);
  WString(WString&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  WString& operator=(const WString& other);
  WString& operator=(WString&& other) noexcept;
  ~WString();

  // Appends `other` to this value (the other holders of this value's body
  // keep their text).
  WString& append(const WString& other);
  WString& operator+=(const WString& other) { return append(other); }

  // The NUL-terminated narrow text in form 0 (ISO-8859-1) or 1 (UTF-8);
  // a static empty text for the empty string. Other forms throw
  // illegal_codepage. The caller never frees the pointer.
  const char* narrow(int form) const;

  size_t length() const { return rep_ == nullptr ? 0 : rep_->length; }
  bool empty() const { return rep_ == nullptr; }
  // The units, NUL-terminated; a static empty text for the empty string.
  const char16_t* units() const;
  char16_t operator[](size_t index) const { return units()[index]; }
  std::u16string_view view() const { return {units(), length()}; }

  // Units the body can hold, final NUL included; 0 for the empty string.
  uint32_t capacity() const { return rep_ == nullptr ? 0 : rep_->capacity; }
  // True when both values hold the same body (both empty counts too).
  bool shares_body_with(const WString& other) const { return rep_ == other.rep_; }

  friend bool operator==(const WString& a, const WString& b) { return a.view() == b.view(); }

 private:
  explicit WString(StringRep* rep) : rep_(rep) {}

  StringRep* rep_ = nullptr;
};

// A new string: `a` with `b` appended; both operands are unchanged.
WString operator+(const WString& a, const WString& b);

// Cuts `text` into items at any unit below 256 whose value is one of the
// bytes of `separators`. Adjacent separators and a leading separator give
// empty items; a trailing separator gives none after it; an empty text gives
// no item. With `trim`, each item loses leading blanks, tabs, carriage
// returns and line feeds and, if anything is left, trailing ones.
// With null or empty `separators` the whole text is one item, and `trim`
// removes only leading and trailing blanks and tabs.
std::vector<WString> split(const WString& text, const char* separators, bool trim);

// The static empty text handed out for empty strings.
extern const char kEmptyText[1];

}  // namespace morvane
