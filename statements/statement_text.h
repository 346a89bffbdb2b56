// Small tests on statement texts, shared by the command interpreter, the
// filters, the replay-log player and the log writer. All of them read plain
// NUL-terminated bytes and ignore letter case where they compare words.
#pragma once

#include <cstddef>

namespace tarnwick {

// The marker that asks the client library to take a statement as UTF-8.
inline constexpr const char* kUnicodeMarker = "{unicode}";
inline constexpr size_t kUnicodeMarkerLength = 9;

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

// How a replay record is classified: a query begins with "select" and a
// space or tab (after the marker, when `marker_allowed`); a creation begins
// with "create" or "{unicode}create".
bool begins_with_select_keyword(const char* text, bool marker_allowed);
bool begins_with_create(const char* text);

// Whether a statement opens a transaction block (BEGIN ..., START
// TRANSACTION) or ends one (COMMIT, END, ROLLBACK but not ROLLBACK TO, ABORT,
// PREPARE TRANSACTION), on either engine.
bool begins_transaction(const char* text);
bool ends_transaction(const char* text);

// How a typed or scripted statement is classified by its first word (the
// bytes up to a space or ";"): a query when the word is "select" or
// "{unicode}select"; a creation when it is "create" or "{unicode}create".
bool is_select_word(const char* word, size_t length);
bool is_create_word(const char* word, size_t length);

}  // namespace tarnwick
