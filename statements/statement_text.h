// Small tests on statement texts that the command interpreter's own rules
// (its command words, the filters, --ignore-create) are made of. All of
// them read plain NUL-terminated bytes and ignore letter case where they
// compare words.
#pragma once

#include <cstddef>

#include "sqltext/statement_info.h"

namespace tarnwick {

// The marker that asks the client library to take a statement as UTF-8.
inline constexpr const char* kUnicodeMarker = sqltext::kUnicodeMarker.data();
inline constexpr size_t kUnicodeMarkerLength = sqltext::kUnicodeMarker.size();

// Space, tab, carriage return or line feed.
inline bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first byte of `text` that is not blank.
const char* skip_blanks(const char* text);

// Whether `text` begins with `prefix`, letter case ignored, nothing skipped.
bool begins_with_ignoring_case(const char* text, const char* prefix);

// Whether the `length` bytes at `word` are `literal`, letter case ignored.
bool is_word(const char* word, size_t length, const char* literal);

// Whether `text` begins with the {unicode} marker.
bool begins_with_unicode_marker(const char* text);

// What --ignore-create drops: a replay record that begins with "create" or
// "{unicode}create" (a prefix: "createx" counts), and a typed or scripted
// statement whose first word (the bytes up to a space or ";") is "create"
// or "{unicode}create". Everything else about a statement is read by
// sqltext::classify.
bool begins_with_create(const char* text);
bool is_create_word(const char* word, size_t length);

}  // namespace tarnwick
