// The statement reader: cuts a text source into statements at ";" outside
// quotes, removing comments, and hands each one on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// What the reader has open where it reads now, for a prompt that shows it
// (a line editor asks while the reader waits for its next byte). none
// outside read_statements.
enum class OpenText { none, quote, comment };
OpenText open_text();

// Receives each statement, NUL-terminated, with the source's stop flag.
using StatementSink = void (*)(char* text, bool* stop_flag);

// The lexical syntax the reader knows beyond its own rules.
enum class Dialect {
  plain,     // quotes '...' only; "#" starts a line comment
  postgres,  // + $tag$...$tag$, E'...', "...", nested /* */, "#" is an
             // operator, COPY ... FROM STDIN data, "\" client commands
  sqlite,    // + "...", [...], `...`, trigger bodies, "." client commands
};

// The dialect of the engine a host names: "sqlite:..." is SQLite, any
// other host a PostgreSQL server.
Dialect dialect_of_host(const char* host);

// What a script or a pipe is read in: blocks of this many bytes, scanned in
// memory.
inline constexpr uint32_t kReadBlockSize = 64 * 1024;

struct ReaderOptions {
  Dialect dialect = Dialect::plain;
  const char* source_name = "";  // named in messages about the source
  // 0: the source is read a byte at a time through getc, as a line editor
  // must be (its bytes come as they are typed, and an interrupted read goes
  // on where it stopped). Otherwise up to this many bytes at a time through
  // read, for scripts and pipes.
  uint32_t block_size = 0;
  // For block reads of a source that outlives one reading (standard input
  // named twice): bytes read before and not used are taken first, and when
  // the sink ends the source, what was read and not used is left here.
  std::string* unread = nullptr;
};

// Reads `source` to its end, or until the sink sets *stop_flag after a
// statement. What is left at the end is handed on as a last statement (it
// needs no ";"), even when blank. Skipped client commands and a quote or
// copy block left open at the end are reported on standard error.
void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag, const ReaderOptions& options);
// The same with the plain dialect.
void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag);

// While the reader hands on a "COPY ... FROM STDIN" statement of a
// PostgreSQL source: the data lines that followed it, up to (not including)
// the line "\."; null for every other statement.
extern const std::string* copy_data_of_statement;

}  // namespace tarnwick
