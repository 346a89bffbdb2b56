// Code pages and conversions between UTF-16 and the two byte encodings the
// program knows, ISO-8859-1 and UTF-8.
//
// Only the Basic Multilingual Plane is handled: one character is one UTF-16
// unit; surrogate pairs are neither formed nor recognised. Every function
// here is pure and safe to call from any thread. Buffers returned to the
// caller come from heap_allocate and are freed with heap_free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace morvane {

// The numbers 0 and 1 also select the two narrow forms of a WString.
enum CodePage : int32_t {
  codepage_latin1 = 0,   // ISO-8859-1, the default everywhere
  codepage_utf8 = 1,     // UTF-8
  codepage_invalid = 2,  // only the answer of codepage_from_name
};

// Thrown when a conversion is asked for a code page other than 0 and 1.
class illegal_codepage : public std::runtime_error {
 public:
  illegal_codepage() : std::runtime_error("Illegal Codepage") {}
};

// Looks a code-page name up, ignoring ASCII letter case: the ISO-8859-1 and
// Latin-1 spellings give codepage_latin1, utf8/utf-8/utf_8 give
// codepage_utf8, anything else (the empty name and null included) gives
// codepage_invalid.
CodePage codepage_from_name(const char* name);

// Length of the UTF-8 sequence that starts with `lead`: 1 to 6, or 0 when
// the byte cannot start a sequence (continuation bytes, 0xFE, 0xFF).
int utf8_sequence_length(unsigned char lead);

// Encodes `count` units as UTF-8, each unit by itself (a surrogate becomes
// its own 3-byte sequence). Returns a new NUL-terminated text sized exactly,
// or null when `units` is null.
char* utf16_to_utf8(const char16_t* units, size_t count);

// Keeps the low byte of each of `count` units (U+20AC gives 0xAC). Returns a
// new NUL-terminated text of exactly `count` bytes, or null when `units` is
// null.
char* utf16_to_latin1(const char16_t* units, size_t count);

// Checks the lead bytes of a NUL-terminated text and counts its characters.
// Continuation bytes are not examined, but a sequence cut off by the end of
// the text makes it invalid. A null text is valid with 0 characters.
bool utf8_count(const char* text, size_t* count);

// Decodes a NUL-terminated UTF-8 text into `out`, which must have room for
// the character count given by utf8_count plus a final NUL unit. Fails on a
// bad lead byte, a continuation byte not of the form 10xxxxxx, or a value
// above 0xFFFF; overlong forms and encoded surrogates are accepted. On
// failure `out` holds a partial result.
bool utf8_decode(const char* text, char16_t* out);

// Decodes a NUL-terminated UTF-8 text into a new NUL-terminated array of
// units. On success stores the array and its length; on failure stores null
// and returns false. A null text gives an empty array.
bool utf8_to_utf16(const char* text, char16_t** units, size_t* length);

// Widens `count` ISO-8859-1 bytes into `out` (room for count + 1 units) and
// ends it with a NUL unit.
void latin1_to_utf16(const char* text, size_t count, char16_t* out);

// Decodes a NUL-terminated narrow text by code page: 0 widens each byte; 1
// decodes UTF-8 and, when the text is not valid UTF-8 anywhere, widens the
// whole text instead. A null or empty text gives null with length 0 whatever
// the code page; any other code page throws illegal_codepage. The result is
// NUL-terminated.
char16_t* decode_narrow(const char* text, CodePage code_page, size_t* length);

}  // namespace morvane
