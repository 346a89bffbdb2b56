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

bool begins_with_select_keyword(const char* text, bool marker_allowed) {
  const char* word = marker_allowed ? after_marker(text) : text;
  return begins_with_ignoring_case(word, "select ") || begins_with_ignoring_case(word, "select\t");
}

bool begins_with_create(const char* text) { return begins_with_ignoring_case(after_marker(text), "create"); }

namespace {

// Past blanks and comments ("-- ..." to the end of the line, "/* ... */",
// nested as PostgreSQL nests them): programs put comments before their
// statements ("/* request 42 */ BEGIN"), which must not hide the keyword.
const char* skip_blanks_and_comments(const char* at) {
  for (;;) {
    at = skip_blanks(at);
    if (at[0] == '-' && at[1] == '-') {
      while (*at != '\0' && *at != '\n') ++at;
    } else if (at[0] == '/' && at[1] == '*') {
      int depth = 0;
      while (*at != '\0') {
        if (at[0] == '/' && at[1] == '*') {
          ++depth;
          at += 2;
        } else if (at[0] == '*' && at[1] == '/') {
          at += 2;
          if (--depth == 0) break;
        } else {
          ++at;
        }
      }
    } else {
      return at;
    }
  }
}

// The first word of a statement (after blanks, comments and the {unicode}
// marker), up to 16 bytes, and whether another word follows it. Held in
// place: it is read for every statement a replay deals out.
struct FirstWord {
  char bytes[16];
  size_t size = 0;
};

FirstWord first_word(const char* text, const char** rest) {
  const char* at = skip_blanks_and_comments(after_marker(skip_blanks_and_comments(text)));
  FirstWord word;
  while (*at != '\0' && !is_blank(*at) && *at != ';' && word.size < sizeof word.bytes) word.bytes[word.size++] = *at++;
  *rest = skip_blanks(at);
  return word;
}

bool word_is(const FirstWord& word, const char* literal) { return is_word(word.bytes, word.size, literal); }

// Whether the word at `at` starts with `a` then `b`, in either case. Two
// letters tell most statements from a transaction's, without the copy of
// their first word.
bool starts_with_letters(const char* at, char a, char b) {
  return folded(at[0]) == a && folded(at[1]) == b;  // at[1] is read only past a letter
}

}  // namespace

bool begins_transaction(const char* text) {
  const char* at = skip_blanks_and_comments(text);
  if (*at != '{' && !starts_with_letters(at, 'b', 'e') && !starts_with_letters(at, 's', 't')) return false;
  const char* rest = nullptr;
  FirstWord word = first_word(at, &rest);
  if (word_is(word, "begin")) return true;
  return word_is(word, "start") && begins_with_ignoring_case(rest, "transaction");
}

bool ends_transaction(const char* text) {
  const char* rest = nullptr;
  FirstWord word = first_word(text, &rest);
  if (word_is(word, "commit") || word_is(word, "end") || word_is(word, "abort")) return true;
  if (word_is(word, "prepare")) return begins_with_ignoring_case(rest, "transaction");
  // ROLLBACK TO [SAVEPOINT] x leaves the block open.
  return word_is(word, "rollback") && !begins_with_ignoring_case(rest, "to ") &&
         !begins_with_ignoring_case(rest, "to\t") && !begins_with_ignoring_case(rest, "transaction to") &&
         !begins_with_ignoring_case(rest, "work to");
}

bool is_select_word(const char* word, size_t length) {
  return is_word(word, length, "select") || is_word(word, length, "{unicode}select");
}

bool is_create_word(const char* word, size_t length) {
  return is_word(word, length, "create") || is_word(word, length, "{unicode}create");
}

}  // namespace tarnwick
