// Statement texts on their way to an engine: the "{unicode}" marker and the
// conversions between ISO-8859-1 (Latin-1) and UTF-8.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace ql {

// A statement as the engine is to see it.
struct StatementText {
  // The statement without its marker. It ends where the original text
  // ends, so text.data() is NUL-terminated when the original was.
  std::string_view text;
  bool utf8 = false;      // the text and its results are UTF-8 whatever the code page
};

// Removes a leading "{unicode}" marker (any letter case, after optional
// blanks) from `text`.
StatementText strip_unicode_marker(std::string_view text);

// Every Latin-1 byte becomes its UTF-8 form.
std::string latin1_to_utf8(std::string_view text);

// Characters above U+00FF and bytes that are not valid UTF-8 become '?'.
std::string utf8_to_latin1(std::string_view text);
// The same into `out`, which has room for text.size() bytes (the most it
// takes); returns the length written.
size_t utf8_to_latin1(std::string_view text, char* out);

// Whether an engine may stop a statement once it has given as many rows as
// the answers limit. On PostgreSQL a stop undoes what the statement changed
// (and on SQLite a statement with RETURNING makes every change before its
// first row, but should report them all), so only a
// statement that begins as a read (select, with, values, table, show,
// explain, fetch, execute, or a parenthesis) and names no insert, update,
// delete or merge anywhere may be stopped; the rows of any other are read to
// the end. Words inside literals count too: that only makes the library
// read more than it needs, never lose a change.
bool may_stop(std::string_view statement);

// Where the block comment that opens at `at` ("/*") ends, comments nesting;
// npos when it does not end.
size_t block_comment_end(std::string_view text, size_t at);

// The first word of `statement` in lower case, after blanks and comments
// ("--" to the end of the line, "/* */" nested); empty when the statement
// does not begin with a word.
std::string first_keyword(std::string_view statement);

// Whether anything but blanks follows the text's first semicolon: perhaps
// a second statement (the semicolon may also stand inside a literal).
bool several_statements(std::string_view text);

// Whether that first word is one of `keywords` (given in lower case). The
// text is read in place; only a statement that begins with a comment costs
// first_keyword's copy.
bool first_keyword_is_any(std::string_view statement, std::initializer_list<std::string_view> keywords);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool valid_utf8(std::string_view text);

}  // namespace ql
