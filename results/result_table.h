// Result rendering: the count line and framed table of a query, and the
// "affected" line of any other statement.
//
//   3 row(s)
//   +---+-----------+----+
//   |id |name       |city|
//   +---+-----------+----+
//   |1  |Ann        |    |
//   |22 |Bartholomew|Oslo|
//   |333|           |Rome|
//
// Every cell is left-aligned; a column is as wide as its caption or its
// longest fetched value, as shown (see TableOptions::width_of). Cells are
// read twice: the first pass measures each one, the second writes it,
// padded by what its width falls short of its column's (found again: its
// length in bytes, or width_of, which for UTF-8 takes runs of ASCII eight
// bytes at a time). Nothing is kept per cell, so the renderer's memory
// does not grow with the rows: the table's bytes gather in a 64 KiB block
// that goes to the stream with one fwrite when it is full, when a line must
// be flushed and at the end. In raw mode nothing is measured and cells are
// written unpadded. A text is written up to its first NUL byte.
//
// The renderer reads no process-wide state: the stream, the switches and
// the way to fetch a cell are its arguments, so it can be used and tested
// on its own. Not thread-safe per stream: one caller writes a table at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/run_settings.h"

namespace tarnwick {

// How a table is written.
struct TableOptions {
  FILE* stream = stdout;
  bool flush_lines = false;        // flush after every line (a terminal)
  bool raw = false;                // no measuring, no padding
  bool suppress_results = false;   // nothing but the fetching
  bool quiet = false;              // no "affected" lines
  OutputFormat format = OutputFormat::table;  // other formats: results/delimited.h
  int32_t answers_limit = 1024;    // a count at the limit is "result truncated to"
  void (*to_console)(std::string& text) = nullptr;  // converts a cell, when set
  // Columns a converted text takes on screen; null counts bytes.
  int64_t (*width_of)(const char* text, size_t length) = nullptr;
};

// Where the cells of one result come from. fetch returns the text of the
// cell, NUL-terminated (null for NULL), and sets *ok; a cell that could not
// be fetched (*ok false) shows empty and gives no text to release. A source
// that hands out copies sets release: every text fetched with *ok true is
// handed to it once written or measured. A source whose texts stay its own
// (views into a cursor's page) leaves it null.
struct CellSource {
  const char* (*fetch)(void* context, int32_t row, int32_t column, bool* ok);
  void (*release)(const char* text);
  void* context;
};

// The counts and captions of one query result.
struct QueryCounts {
  int32_t columns = 0;
  int32_t rows = 0;      // rows the engine produced, up to the answers limit
  int32_t fetched = 0;   // rows the source can hand out
};

// Writes the count line and, when rows > 0, the table; in the other
// formats, the rows as results/delimited.h writes them. Missing captions
// head their columns with empty ones.
void print_query_table(const TableOptions& options, const QueryCounts& counts,
                       const std::vector<std::string>& captions, const CellSource& cells);

// Writes "N row affected" / "N rows affected" unless quiet or in a format
// other than the table (whose readers expect rows only).
void print_affected_line(const TableOptions& options, int32_t rows);

}  // namespace tarnwick
