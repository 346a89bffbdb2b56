// What the program needs to know about a statement, read from its text in
// one pass of the lexer: the reader, the interpreter, the pool, the clients,
// the report and the client library all ask this record instead of reading
// the text again.
#pragma once

#include <cstdint>
#include <string_view>

#include "sqltext/lexer.h"

namespace sqltext {

// The first words that some part of the program acts on; every other word
// is `other`, and a statement without a first word (only blanks, comments,
// a quote or punctuation) has `none`.
enum class Keyword : uint8_t {
  none, other,
  select, insert, update, delete_, merge, with, values, table, show, explain, fetch, execute,
  begin, start, commit, end, rollback, abort, prepare,
  copy, create, alter, drop, truncate, vacuum, analyze, reindex, cluster, grant, revoke, comment,
  discard, deallocate,
};

// The marker that asks the client library to take a statement as UTF-8.
inline constexpr std::string_view kUnicodeMarker = "{unicode}";

struct StatementInfo {
  Keyword keyword = Keyword::none;
  // A leading "{unicode}" marker (after blanks, any letter case): the text
  // the engine sees begins at `body`, 0 without a marker.
  bool unicode = false;
  uint32_t body = 0;
  // Where the first word begins (past blanks, comments and the marker).
  uint32_t start = 0;

  // "A query": the first word is SELECT. Its rows are printed as a table,
  // it goes in a pool's query batches, --ignore-select drops it, and the
  // report counts it as a read.
  bool query = false;
  // BEGIN, START TRANSACTION; COMMIT, END, ABORT, PREPARE TRANSACTION,
  // ROLLBACK but not ROLLBACK [WORK | TRANSACTION] TO.
  bool opens_block = false;
  bool ends_block = false;
  // COPY, and COPY ... FROM STDIN (or FROM STDOUT, which the server takes
  // as STDIN): the client sends the data.
  bool copy = false;
  bool copy_from_client = false;
  // CREATE, ALTER, DROP, TRUNCATE, VACUUM, ANALYZE, REINDEX, CLUSTER,
  // GRANT, REVOKE, COMMENT: what other sessions run against changes.
  bool schema_change = false;
  // Another statement follows the first ";" (blanks and comments are none).
  bool several = false;
  // Every quote, name and comment is closed.
  bool complete = true;
  // The text holds a $n parameter (PostgreSQL).
  bool has_parameters = false;
  // The text may drop the session's prepared statements: a statement of
  // it begins with DISCARD or DEALLOCATE.
  bool drops_prepared = false;

  // Whether an engine may stop the statement once it has given as many
  // rows as the answers limit: it begins as a read (SELECT, WITH, VALUES,
  // TABLE, SHOW, EXPLAIN, FETCH, EXECUTE, or a parenthesis) and names no
  // INSERT, UPDATE, DELETE or MERGE, in its words or its literals (a
  // literal may be run by a function). A stop undoes what a statement
  // changed, so any other is read to its end.
  bool may_stop = false;
  // A SELECT of one statement without a parenthesis (so without a function
  // call): a pipeline may share a sync point among such reads.
  bool plain_read = false;
  // A SELECT of literals only (numbers, plain strings, $n, TRUE, FALSE,
  // NULL, each perhaps signed, cast with ::type and named), one small row.
  bool literal_row = false;
};

// Reads `text` once. `standard_strings` is PostgreSQL's
// standard_conforming_strings: off, a backslash escapes a quote in '...'.
StatementInfo classify(std::string_view text, Dialect dialect = Dialect::postgres, bool standard_strings = true);

// The same for the fields that the first statement's leading words decide
// (keyword, unicode, body, start, query, opens_block, ends_block, copy,
// schema_change), reading no further: what a script or a log's statement
// needs on its way to the client library, which reads the whole text once
// itself. The other fields keep their defaults.
StatementInfo classify_head(std::string_view text, Dialect dialect = Dialect::postgres);

// Whether `text` (one or several PostgreSQL statements) may lift a
// read-only session's default: a statement with the words READ WRITE
// (BEGIN, START TRANSACTION, SET TRANSACTION, SET SESSION CHARACTERISTICS),
// or that names transaction_read_only or default_transaction_read_only
// other than to read it (SET, RESET, a set_config call, a DO body). Words
// inside literals and dollar-quoted bodies count, comments do not. A name
// built at run time is not seen: this guards against mistakes, as a
// read-only default does, and is no security boundary.
bool lifts_read_only(std::string_view text);

// The keyword `word` is, in any letter case.
Keyword keyword_of(std::string_view word);

// Where a text begins once a leading "{unicode}" marker (after blanks, in
// any letter case) is taken off; 0 when it has none.
size_t after_unicode_marker(std::string_view text);

}  // namespace sqltext
