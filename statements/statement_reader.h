// The statement reader: cuts a text source into statements at ";" outside
// quotes, removing comments, and hands each one on.
#pragma once

#include <cstddef>

#include "support/file/file.h"

namespace tarnwick {

// A growable byte buffer for the text of one statement. Grows to
// 2 * capacity + 1 until the wanted position fits (1, 3, 7, 15, ...).
struct StatementBuffer {
  char* data = nullptr;
  size_t length = 0;
  size_t capacity = 0;
};

// Appends one byte. When the buffer cannot grow, writes
// "Failed to allocate <capacity as %f> bytes" to standard error and throws
// std::bad_alloc.
void append_byte(StatementBuffer& buffer, char c);
// Releases the storage; the buffer is empty with capacity 0.
void release(StatementBuffer& buffer);

// What the reader has open where it reads now, for a prompt that shows it
// (a line editor asks while the reader waits for its next byte). none
// outside read_statements.
enum class OpenText { none, quote, comment };
OpenText open_text();

// Receives each statement, NUL-terminated, with the source's stop flag.
using StatementSink = void (*)(char* text, bool* stop_flag);

// Reads `source` to its end, or until the sink sets *stop_flag after a
// statement. What is left at the end is handed on as a last statement (it
// needs no ";"), even when blank.
void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag);

}  // namespace tarnwick
