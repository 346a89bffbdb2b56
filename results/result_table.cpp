#include "results/result_table.h"

#include <algorithm>
#include <cstring>

#include "results/delimited.h"
#include "runtime/console_output.h"

namespace tarnwick {

namespace {

// The characters that draw the frame.
constexpr char kCorner = '+';
constexpr char kHorizontal = '-';
constexpr char kVertical = '|';

// The bytes of one table gather here and go to the stream with one fwrite
// when the block is full, when a line must reach a terminal at once, and
// when the table ends: no stdio call per cell. A text longer than the
// block goes to the stream directly, after what was gathered.
class TableOutput {
 public:
  explicit TableOutput(const TableOptions& options)
      : stream_(options.stream), flush_lines_(options.flush_lines) {}
  TableOutput(const TableOutput&) = delete;
  TableOutput& operator=(const TableOutput&) = delete;
  ~TableOutput() { flush(); }

  void put(char c) {
    if (at_ == end_) flush();
    *at_++ = c;
  }
  void put(const char* text, size_t length) {
    if (length > static_cast<size_t>(end_ - at_)) {
      flush();
      if (length > kBlock) {
        write_bytes(stream_, text, length);
        return;
      }
    }
    std::memcpy(at_, text, length);
    at_ += length;
  }
  void put(const char* text) { put(text, std::strlen(text)); }
  void repeat(char c, int64_t count) {
    while (count > 0) {
      if (at_ == end_) flush();
      size_t n = std::min(static_cast<size_t>(end_ - at_), static_cast<size_t>(count));
      std::memset(at_, c, n);
      at_ += n;
      count -= static_cast<int64_t>(n);
    }
  }
  void number(int64_t value) {
    char digits[24];
    int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    put(digits, static_cast<size_t>(length));
  }
  void end_line() {
    put('\n');
    if (flush_lines_) {
      flush();
      std::fflush(stream_);
    }
  }
  void flush() {
    write_bytes(stream_, block_, static_cast<size_t>(at_ - block_));
    at_ = block_;
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;
  FILE* stream_;
  bool flush_lines_;
  char block_[kBlock];
  char* at_ = block_;
  char* const end_ = block_ + kBlock;
};

// Reads cells as they are written: the text up to its first NUL,
// converted for a terminal when the options say so. A copy the source
// handed out is released at the next read or at the end.
class CellReader {
 public:
  CellReader(const TableOptions& options, const CellSource& cells) : options_(options), cells_(cells) {}
  CellReader(const CellReader&) = delete;
  CellReader& operator=(const CellReader&) = delete;
  ~CellReader() { let_go(); }

  // The text of cell (row, column) as written, valid until the next call,
  // and its length; null (length 0) for NULL and for a cell that could not
  // be fetched.
  const char* read(int32_t row, int32_t column, size_t* length) {
    let_go();
    bool ok = false;
    const char* text = cells_.fetch(cells_.context, row, column, &ok);
    holding_ = ok && cells_.release != nullptr;
    held_ = text;
    return shown(ok ? text : nullptr, length);
  }

  // `text` (a caption, or a cell just fetched) as written: converted when
  // the options say so, and its length.
  const char* shown(const char* text, size_t* length) {
    if (text == nullptr) {
      *length = 0;
      return nullptr;
    }
    if (options_.to_console == nullptr) {
      *length = std::strlen(text);
      return text;
    }
    converted_.assign(text);
    options_.to_console(converted_);
    *length = std::strlen(converted_.c_str());
    return converted_.c_str();
  }

 private:
  void let_go() {
    if (holding_) cells_.release(held_);
    holding_ = false;
  }

  const TableOptions& options_;
  const CellSource& cells_;
  const char* held_ = nullptr;
  bool holding_ = false;
  std::string converted_;  // reused from cell to cell
};

// The columns a text as written takes: options.width_of, or its bytes.
int64_t columns_of(const TableOptions& options, const char* text, size_t length) {
  if (text == nullptr) return 0;
  return options.width_of != nullptr ? options.width_of(text, length) : static_cast<int64_t>(length);
}

void print_count_line(TableOutput& out, const TableOptions& options, int32_t rows, int32_t fetched) {
  if (rows >= options.answers_limit) {
    out.put("result truncated to ");
    out.number(rows);
    out.put(" row(s)");
  } else if (rows == fetched) {
    out.number(rows);
    out.put(" row(s)");
  } else {
    out.number(rows);
    out.put(" (");
    out.number(fetched);
    out.put(" fetched) rows");
  }
  out.end_line();
}

void print_border(TableOutput& out, const std::vector<int64_t>& widths) {
  for (size_t k = 0; k < widths.size(); ++k) {
    if (k == 0) out.put(kCorner);
    out.repeat(kHorizontal, widths[k]);
    out.put(kCorner);
  }
  out.end_line();
}

// One cell of a line: the text, then blanks up to `width` columns (none in
// raw mode); a longer text is written whole.
void print_cell(TableOutput& out, const TableOptions& options, int64_t width, const char* text, size_t length) {
  if (length > 0) out.put(text, length);
  if (!options.raw) out.repeat(' ', width - columns_of(options, text, length));
}

const char* caption_of(const std::vector<std::string>& captions, size_t k) {
  return k < captions.size() ? captions[k].c_str() : nullptr;
}

// The first pass. Column widths: the caption or the longest fetched value,
// as written; all 0 when no row was fetched. In raw mode the frame follows
// the captions alone and nothing is fetched.
std::vector<int64_t> measure(const TableOptions& options, const QueryCounts& counts,
                             const std::vector<std::string>& captions, CellReader& reader) {
  std::vector<int64_t> widths(static_cast<size_t>(counts.columns), 0);
  if (!options.raw && counts.fetched == 0) return widths;
  size_t length;
  for (size_t k = 0; k < widths.size(); ++k) {
    const char* caption = reader.shown(caption_of(captions, k), &length);
    widths[k] = columns_of(options, caption, length);
  }
  if (options.raw) return widths;
  for (int32_t j = 0; j < counts.fetched; ++j) {
    for (int32_t k = 0; k < counts.columns; ++k) {
      const char* text = reader.read(j, k, &length);
      widths[k] = std::max(widths[k], columns_of(options, text, length));
    }
  }
  return widths;
}

void print_header(TableOutput& out, const TableOptions& options, const std::vector<int64_t>& widths,
                  const std::vector<std::string>& captions, CellReader& reader) {
  print_border(out, widths);
  for (size_t k = 0; k < widths.size(); ++k) {
    if (k == 0) out.put(kVertical);
    size_t length;
    const char* caption = reader.shown(caption_of(captions, k), &length);
    print_cell(out, options, widths[k], caption, length);
    out.put(kVertical);
  }
  out.end_line();
  print_border(out, widths);
}

// The second pass.
void print_rows(TableOutput& out, const TableOptions& options, const QueryCounts& counts,
                const std::vector<int64_t>& widths, CellReader& reader) {
  for (int32_t j = 0; j < counts.fetched; ++j) {
    if (counts.columns > 0) out.put(kVertical);
    for (int32_t k = 0; k < counts.columns; ++k) {
      size_t length;
      const char* text = reader.read(j, k, &length);
      print_cell(out, options, widths[k], text, length);
      out.put(kVertical);
    }
    out.end_line();
  }
}

}  // namespace

void print_query_table(const TableOptions& options, const QueryCounts& counts,
                       const std::vector<std::string>& captions, const CellSource& cells) {
  QueryCounts shown = counts;
  if (shown.columns < 0) shown.columns = 0;
  if (options.format != OutputFormat::table) {
    print_delimited(options, shown, captions, cells);
    return;
  }
  CellReader reader(options, cells);
  if (options.suppress_results) {
    // Nothing is written, but every cell is still fetched once.
    size_t length;
    for (int32_t j = 0; j < shown.fetched && shown.rows > 0; ++j) {
      for (int32_t k = 0; k < shown.columns; ++k) reader.read(j, k, &length);
    }
    return;
  }
  TableOutput out(options);
  print_count_line(out, options, shown.rows, shown.fetched);
  if (shown.rows <= 0) return;
  std::vector<int64_t> widths = measure(options, shown, captions, reader);
  print_header(out, options, widths, captions, reader);
  print_rows(out, options, shown, widths, reader);
}

void print_affected_line(const TableOptions& options, int32_t rows) {
  if (options.quiet || options.format != OutputFormat::table) return;
  write_number(options.stream, rows);
  const char* text = rows > 1 ? " rows affected" : " row affected";
  write_bytes(options.stream, text, std::strlen(text));
  putc_unlocked('\n', options.stream);
  if (options.flush_lines) std::fflush(options.stream);
}

}  // namespace tarnwick
