// The statement reader: cuts a text source into statements at ";" outside
// quotes, removing comments, and returns them one at a time to the loop
// that runs them. It never runs anything itself and calls nothing above it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sqltext/lexer.h"
#include "support/file/file.h"

namespace tarnwick {

// A growable byte buffer for the text of one statement. Grows to
// 2 * capacity + 1 until the wanted position fits (1, 3, 7, 15, ...).
struct StatementBuffer {
  char* data = nullptr;
  size_t length = 0;
  size_t capacity = 0;
};

// Makes room for `more` bytes after the last one, growing by the rule
// above. When the buffer cannot grow, writes "Failed to allocate <capacity
// as %f> bytes" to standard error and throws std::bad_alloc.
void reserve_more(StatementBuffer& buffer, size_t more);
// Appends one byte, or `n` bytes; grows as reserve_more does.
inline void append_byte(StatementBuffer& buffer, char c) {
  if (buffer.length >= buffer.capacity) reserve_more(buffer, 1);
  buffer.data[buffer.length++] = c;
}
void append_bytes(StatementBuffer& buffer, const char* bytes, size_t n);
// Empties the buffer for the next statement. Storage up to
// kKeptBufferCapacity is kept, so that statements of common sizes cost no
// allocation; the storage of a larger statement is given back.
inline constexpr size_t kKeptBufferCapacity = (size_t{1} << 20) - 1;
void empty(StatementBuffer& buffer);
// Releases the storage; the buffer is empty with capacity 0.
void release(StatementBuffer& buffer);

// What is open where the reader stopped, for a prompt that shows it.
enum class OpenText { none, quote, identifier, dollar, comment, paren };

// The lexical syntax the reader knows beyond its own rules.
enum class Dialect {
  plain,     // quotes '...' only; "#" starts a line comment
  postgres,  // + $tag$...$tag$, E'...', "...", nested /* */, "#" is an
             // operator, "\" client commands
  sqlite,    // + "...", [...], `...`, trigger bodies, "." client commands
};

// The dialect of the engine a host names: "sqlite:..." is SQLite, any
// other host a PostgreSQL server.
Dialect dialect_of_host(const char* host);
// The same as sqltext reads it.
sqltext::Dialect sql_dialect_of_host(const char* host);

// What a script or a pipe is read in: blocks of this many bytes, scanned in
// memory.
inline constexpr uint32_t kReadBlockSize = 64 * 1024;

struct ReaderOptions {
  Dialect dialect = Dialect::plain;
  const char* source_name = "";  // named in messages about the source
  // Scripts and pipes are read up to this many bytes at a time. 0 reads a
  // byte at a time (for sources whose bytes come as they are typed).
  uint32_t block_size = kReadBlockSize;
  // For a source that outlives one reading (standard input named twice):
  // bytes read before and not used are taken first, and keep_unread()
  // leaves what was read and not used here.
  std::string* unread = nullptr;
};

// What one call of StatementReader::next gives.
enum class ReadStep {
  statement,       // `text` holds a statement (or, as the last one, the rest of the source)
  client_command,  // `text` holds a line of another client's commands ("\..." or ".")
  more_input,      // a fed source needs its next line; `open` and `statement_open` say
                   // what the prompt shows
  end,             // the source has ended and everything in it was returned
};

struct Statement {
  ReadStep step = ReadStep::end;
  // NUL-terminated, in the reader's own storage: valid, and changeable in
  // place, until the next call of the reader. `length` excludes the NUL.
  char* text = nullptr;
  size_t length = 0;
  int64_t line = 0;  // the line of the source where it starts
  bool last = false;  // the rest of the source after its last ";" (may be blank)
  // more_input: what is open for the prompt. The last statement: the quote
  // or comment it ends in, sent as it stands.
  OpenText open = OpenText::none;
  size_t open_at = 0;  // the last statement: where its open comment begins in `text`
  bool statement_open = false;  // text is waiting for its ";"
};

// What StatementReader::next_copy_data gives.
enum class CopyData {
  data,         // complete data lines, line feeds included
  end_marker,   // the line "\." ended the data
  source_ended, // the source ended before a line "\."
};

// Cuts one source into statements. Scripts and pipes are read from an
// iFile in blocks; typed input is fed a line at a time (source null), and
// the reader says when it needs the next one.
class StatementReader {
 public:
  // `source` null: a fed source (feed_line, end_input). The buffer is the
  // caller's, so that its storage lasts from source to source.
  StatementReader(morvane::iFile* source, StatementBuffer& buffer, const ReaderOptions& options);
  ~StatementReader();
  StatementReader(const StatementReader&) = delete;
  StatementReader& operator=(const StatementReader&) = delete;

  // The next statement, client command, request for input, or the end.
  Statement next();

  // A fed source: one typed line, with its line feed.
  void feed_line(std::string_view line);
  // A fed source: no more lines come (Ctrl-D); what is open is returned as
  // the last statement.
  void end_input();
  // Throws away the open statement, what is left of the fed text and every
  // open quote or comment (Ctrl-C at a prompt).
  void discard();
  // Forgets what is left of the fed text (the statement before it was
  // cancelled), keeping the reader's state.
  void drop_fed_text();
  // PostgreSQL with standard_conforming_strings off: a backslash escapes
  // the next byte in a plain '...' string, as in E'...'.
  void set_backslash_quotes(bool on);

  // COPY data after the statement just returned, as the engine asks for
  // it: the rest of that statement's own line is kept aside and read as
  // statements once the data ends, as psql does. On `data`, *bytes and
  // *length hold one or more complete lines (valid until the next call).
  // The last line of a source that has no line feed counts as a line.
  CopyData next_copy_data(const char** bytes, size_t* length);
  // The line where the current COPY data began.
  int64_t copy_first_line() const;
  const char* source_name() const;

  // For a source that outlives this reading: leaves what was read ahead in
  // options.unread.
  void keep_unread();

 private:
  class Scanner;
  std::unique_ptr<Scanner> scanner_;
};


}  // namespace tarnwick
