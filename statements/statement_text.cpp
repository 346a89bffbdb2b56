#include "statements/statement_text.h"

#include <cstring>

namespace tarnwick {

namespace {

// ASCII letter case only: the words compared are SQL keywords, and the
// locale's folding (strncasecmp) would make them depend on the locale.
inline unsigned char folded(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte | 0x20) : byte;
}

// The bytes after the marker when `text` begins with it, otherwise `text`.
const char* after_marker(const char* text) {
  return begins_with_unicode_marker(text) ? text + kUnicodeMarkerLength : text;
}

}  // namespace

const char* skip_blanks(const char* text) {
  while (is_blank(*text)) ++text;
  return text;
}

bool begins_with_ignoring_case(const char* text, const char* prefix) {
  // A text shorter than the prefix differs at its NUL.
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (folded(*text) != folded(*prefix)) return false;
  }
  return true;
}

bool is_word(const char* word, size_t length, const char* literal) {
  for (size_t i = 0; i < length; ++i) {
    if (literal[i] == '\0' || folded(word[i]) != folded(literal[i])) return false;
  }
  return literal[length] == '\0';
}

bool begins_with_unicode_marker(const char* text) {
  return begins_with_ignoring_case(text, kUnicodeMarker);
}

bool begins_with_create(const char* text) { return begins_with_ignoring_case(after_marker(text), "create"); }

bool is_create_word(const char* word, size_t length) {
  return is_word(word, length, "create") || is_word(word, length, "{unicode}create");
}

}  // namespace tarnwick
