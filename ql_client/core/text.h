// Statement texts on their way to an engine: the "{unicode}" marker and the
// conversions between ISO-8859-1 (Latin-1) and UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "sqltext/statement_info.h"

namespace ql {

// A statement as the engine is to see it.
struct StatementText {
  // The statement without its marker. It ends where the original text
  // ends, so text.data() is NUL-terminated when the original was.
  std::string_view text;
  bool utf8 = false;      // the text and its results are UTF-8 whatever the code page
  // What the library needs to know of it (whether it may be stopped at the
  // answers limit, opens a block, is a plain read), read once here: the
  // library's C interface takes texts from any caller, so it reads each
  // statement once itself rather than trusting a record it cannot check.
  sqltext::StatementInfo info;
};

// Reads `text` once: a leading "{unicode}" marker (any letter case, after
// optional blanks) taken off, and the statement classified, with
// `standard_strings` as the session's standard_conforming_strings.
StatementText read_statement(std::string_view text, bool standard_strings = true);

// Every Latin-1 byte becomes its UTF-8 form.
std::string latin1_to_utf8(std::string_view text);

// Characters above U+00FF and bytes that are not valid UTF-8 become '?'.
std::string utf8_to_latin1(std::string_view text);
// The same into `out`, which has room for text.size() bytes (the most it
// takes); returns the length written.
size_t utf8_to_latin1(std::string_view text, char* out);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool valid_utf8(std::string_view text);

}  // namespace ql
