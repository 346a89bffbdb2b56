// Tests on the words of the statement in the scanner's buffer, which hold
// back a ";" that ends no statement (SQLite trigger bodies, PostgreSQL
// BEGIN ATOMIC bodies) or keep a trigger's text as written.
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "sqltext/lexer.h"
#include "statements/statement_scanner.h"
#include "statements/statement_text.h"

namespace tarnwick {

using namespace scanner;

bool StatementReader::Scanner::statement_is_blank() const {
  for (size_t i = 0; i < buffer_.length; ++i) {
    if (!is_blank(buffer_.data[i])) return false;
  }
  return true;
}

// On SQLite, whether the text so far, which ends with ";", is a whole
// statement. Only a "create" or "explain" can hold a trigger body with
// ";" inside it; every other statement ends at its first ";" as before.
bool StatementReader::Scanner::complete_for_sqlite() {
  append('\0');
  --buffer_.length;
  const char* start = skip_blanks(buffer_.data);
  if (begins_with_unicode_marker(start)) start = skip_blanks(start + kUnicodeMarkerLength);
  if (!begins_with_ignoring_case(start, "create") && !begins_with_ignoring_case(start, "explain")) {
    return true;
  }
  return sqlite3_complete(start) != 0;
}

// Whether a PostgreSQL statement is inside the body of a function or
// procedure written as BEGIN ATOMIC ... END, where ";" ends no statement.
// As psql does: after CREATE [OR REPLACE] FUNCTION|PROCEDURE, the words
// BEGIN (and CASE within it) open and END closes, outside parentheses.
bool StatementReader::Scanner::in_atomic_body() const {
  sqltext::Lexer lexer({buffer_.data, buffer_.length}, sqltext::Dialect::postgres, !backslash_quotes_);
  sqltext::Token token;
  size_t count = 0;
  bool routine = false;
  int depth = 0;   // BEGIN ... END
  int parens = 0;  // open parentheses
  while (lexer.next(&token)) {
    if (token.kind == sqltext::TokenKind::open_paren) ++parens;
    if (token.kind == sqltext::TokenKind::close_paren && parens > 0) --parens;
    if (token.kind != sqltext::TokenKind::word) continue;
    const std::string_view word = token.in({buffer_.data, buffer_.length});
    const size_t k = count++;
    if (!routine) {
      if ((k == 1 || k == 3) && (sqltext::is_keyword(word, "function") || sqltext::is_keyword(word, "procedure"))) {
        routine = true;
        continue;
      }
      // Anything else than CREATE [OR REPLACE] before it: no routine.
      if ((k == 0 && sqltext::is_keyword(word, "create")) || (k == 1 && sqltext::is_keyword(word, "or")) ||
          (k == 2 && sqltext::is_keyword(word, "replace"))) {
        continue;
      }
      return false;
    }
    if (parens != 0) continue;
    if (sqltext::is_keyword(word, "begin")) {
      ++depth;
    } else if (sqltext::is_keyword(word, "case")) {
      if (depth > 0) ++depth;
    } else if (sqltext::is_keyword(word, "end")) {
      if (depth > 0) --depth;
    }
  }
  return routine && depth > 0;
}

// On SQLite, whether the statement so far is a CREATE [TEMP] TRIGGER: the
// engine keeps its text as written, so line breaks and comments in it stay.
bool StatementReader::Scanner::in_sqlite_trigger() const {
  char head[65];  // the words looked at fit in the first 64 bytes
  size_t length = std::min<size_t>(buffer_.length, sizeof head - 1);
  if (length > 0) std::memcpy(head, buffer_.data, length);
  head[length] = '\0';
  const char* at = skip_blanks(head);
  if (begins_with_unicode_marker(at)) at = skip_blanks(at + kUnicodeMarkerLength);
  if (!begins_with_ignoring_case(at, "create") || !is_blank(at[6])) return false;
  at = skip_blanks(at + 6);
  if (begins_with_ignoring_case(at, "temporary") && is_blank(at[9])) at = skip_blanks(at + 9);
  if (begins_with_ignoring_case(at, "temp") && is_blank(at[4])) at = skip_blanks(at + 4);
  return begins_with_ignoring_case(at, "trigger") && (is_blank(at[7]) || at[7] == '\0');
}

}  // namespace tarnwick
