// The reader is one loop over the bytes of a source, with two states:
//
//   state    byte             action
//   -------  ---------------  ---------------------------------------------
//   outside  TAB CR LF NUL    append one blank
//   outside  #                skip through the next LF (or the end)
//   outside  - -              skip through the next LF (or the end)
//   outside  - other          append "-", put the other byte back
//   outside  / *              skip a block comment up to "*/" (or the end)
//   outside  / other          append "/", put the other byte back
//   outside  '                append, go to quoted
//   outside  ;                append, hand the statement on, empty the
//                             buffer; end the source if the sink says so
//   outside  other            append
//   quoted   ' '              append both, stay quoted
//   quoted   ' other          append one "'", put the other byte back, go
//                             to outside
//   quoted   other            append (LF, ";", "#" and "--" included)
//   either   end of source    hand on what the buffer holds, empty it
//
// A byte read ahead at the end of the source (-1) is never put back. In a
// block comment a "*" followed by another "*" does not pair with a "/"
// after that: "/* x **/" is still open. Comments leave nothing, so the text
// on both sides joins directly ("a/*x*/b" is "ab").
//
// Every source starts outside quotes: a quote left open at the end of one
// script does not swallow the statements of the next.
#include "statements/statement_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tarnwick {

namespace {

constexpr int kEnd = -1;

// See open_text(): kept beside the reader's own state, never read by it.
OpenText open_now = OpenText::none;

void skip_line(morvane::iFile& source) {
  int c;
  do {
    c = source.getc();
  } while (c != kEnd && c != '\n');
}

void skip_block_comment(morvane::iFile& source) {
  open_now = OpenText::comment;
  for (;;) {
    int c = source.getc();
    if (c == kEnd) break;
    if (c != '*') continue;
    c = source.getc();
    if (c == '/' || c == kEnd) break;
    // Any other byte after "*", another "*" included, is comment text.
  }
  open_now = OpenText::none;
}

// Ends the text with a zero byte and hands it on, then empties the buffer.
void hand_on(StatementBuffer& buffer, StatementSink sink, bool* stop_flag) {
  append_byte(buffer, '\0');
  sink(buffer.data, stop_flag);
  release(buffer);
}

}  // namespace

OpenText open_text() { return open_now; }

void append_byte(StatementBuffer& buffer, char c) {
  if (buffer.length >= buffer.capacity) {
    size_t capacity = buffer.capacity > 0 ? buffer.capacity : 1;
    while (capacity <= buffer.length) {
      if (capacity > (SIZE_MAX - 1) / 2) {
        capacity = SIZE_MAX;
        break;
      }
      capacity = 2 * capacity + 1;
    }
    char* data = capacity == SIZE_MAX ? nullptr : static_cast<char*>(std::malloc(capacity));
    if (data == nullptr) {
      std::fflush(stdout);
      std::fprintf(stderr, "Failed to allocate %f bytes\n", static_cast<double>(capacity));
      std::fflush(stderr);
      throw std::bad_alloc();
    }
    if (buffer.length > 0) std::memcpy(data, buffer.data, buffer.length);
    std::free(buffer.data);
    buffer.data = data;
    buffer.capacity = capacity;
  }
  buffer.data[buffer.length++] = c;
}

void release(StatementBuffer& buffer) {
  std::free(buffer.data);
  buffer = StatementBuffer();
}

void read_statements(morvane::iFile& source, StatementBuffer& buffer, StatementSink sink,
                     bool* stop_flag) {
  bool quoted = false;
  // getc gives -1 exactly where eof would report the end (or a failure), so
  // it alone ends the loop: one call per byte instead of two.
  for (;;) {
    int c = source.getc();
    if (c == kEnd) break;
    if (quoted) {
      if (c == '\'') {
        int next = source.getc();
        append_byte(buffer, '\'');
        if (next == '\'') {
          append_byte(buffer, '\'');
        } else {
          if (next != kEnd) source.ungetc(next);
          quoted = false;
          open_now = OpenText::none;
        }
      } else {
        append_byte(buffer, static_cast<char>(c));
      }
      continue;
    }
    switch (c) {
      case '\t':
      case '\r':
      case '\n':
      case '\0':
        append_byte(buffer, ' ');
        break;
      case '#':
        skip_line(source);
        break;
      case '-':
      case '/': {
        int next = source.getc();
        if (c == '-' && next == '-') {
          skip_line(source);
        } else if (c == '/' && next == '*') {
          skip_block_comment(source);
        } else {
          append_byte(buffer, static_cast<char>(c));
          if (next != kEnd) source.ungetc(next);
        }
        break;
      }
      case '\'':
        append_byte(buffer, '\'');
        quoted = true;
        open_now = OpenText::quote;
        break;
      case ';':
        append_byte(buffer, ';');
        hand_on(buffer, sink, stop_flag);
        if (*stop_flag) return;
        break;
      default:
        append_byte(buffer, static_cast<char>(c));
        break;
    }
  }
  open_now = OpenText::none;
  hand_on(buffer, sink, stop_flag);
}

}  // namespace tarnwick
