// The table renderer on random results: captions, values, NULLs, cells
// that fail to fetch, counts that disagree with the page, raw and plain
// layouts. Writes into memory and checks that every fetched text is
// released once, and that a plain table (no line breaks in its texts, at
// least one fetched row) has every line after the count line equally long.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "results/result_table.h"

namespace {

// Takes bytes from the front of the input.
struct Input {
  const uint8_t* data;
  size_t size;
  uint8_t byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  std::string text() {
    size_t length = byte() % 24;
    std::string out;
    while (out.size() < length && size > 0) {
      char c = static_cast<char>(byte());
      if (c != '\0') out += c;
    }
    return out;
  }
};

struct Page {
  int32_t columns = 0;
  std::vector<std::vector<std::optional<std::string>>> cells;
  std::vector<std::vector<bool>> failing;
  int64_t outstanding = 0;
  int64_t fetches = 0;
};

const char* fetch(void* context, int32_t row, int32_t column, bool* ok) {
  Page* page = static_cast<Page*>(context);
  if (row < 0 || column < 0 || row >= static_cast<int32_t>(page->cells.size()) ||
      column >= page->columns) {
    std::abort();  // the renderer asked for a cell outside the page
  }
  ++page->fetches;
  *ok = !page->failing[row][column];
  if (!*ok) return nullptr;
  ++page->outstanding;
  const std::optional<std::string>& cell = page->cells[row][column];
  return cell.has_value() ? strdup(cell->c_str()) : nullptr;
}

Page* current = nullptr;
void release(const char* text) {
  --current->outstanding;
  std::free(const_cast<char*>(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  const uint8_t shape = in.byte();
  Page page;
  page.columns = shape % 6;
  const int32_t fetched = (shape / 6) % 6;
  std::vector<std::string> captions;
  const size_t caption_count = in.byte() % 8;  // may be fewer or more than the columns
  bool has_line_break = false;
  for (size_t k = 0; k < caption_count; ++k) {
    captions.push_back(in.text());
    if (captions.back().find('\n') != std::string::npos) has_line_break = true;
  }
  for (int32_t j = 0; j < fetched; ++j) {
    page.cells.emplace_back();
    page.failing.emplace_back();
    for (int32_t k = 0; k < page.columns; ++k) {
      uint8_t kind = in.byte();
      page.failing[j].push_back(kind % 11 == 0);
      if (kind % 5 == 0) {
        page.cells[j].push_back(std::nullopt);
      } else {
        page.cells[j].push_back(in.text());
        if (page.cells[j].back()->find('\n') != std::string::npos) has_line_break = true;
      }
    }
  }
  const uint8_t switches = in.byte();
  tarnwick::TableOptions options;
  options.raw = switches & 1;
  options.suppress_results = switches & 2;
  options.quiet = switches & 4;
  options.answers_limit = 1 + in.byte() % 8;
  tarnwick::QueryCounts counts;
  counts.columns = page.columns;
  counts.fetched = fetched;
  counts.rows = static_cast<int8_t>(in.byte());  // below, equal to or above the page

  char* output = nullptr;
  size_t output_size = 0;
  FILE* stream = open_memstream(&output, &output_size);
  if (stream == nullptr) return 0;
  options.stream = stream;
  current = &page;
  tarnwick::CellSource cells{fetch, release, &page};
  tarnwick::print_query_table(options, counts, captions, cells);
  tarnwick::print_affected_line(options, counts.rows);
  std::fclose(stream);

  if (page.outstanding != 0) std::abort();
  std::string text(output, output_size);
  std::free(output);

  if (!options.raw && !options.suppress_results && !has_line_break && fetched > 0 &&
      counts.rows > 0 && page.columns > 0) {
    // Count line, then border, header, border and the rows, all as wide.
    size_t start = text.find('\n') + 1;
    size_t width = std::string::npos;
    for (int32_t line = 0; line < 3 + fetched; ++line) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) std::abort();
      if (width == std::string::npos) width = end - start;
      if (end - start != width) std::abort();
      start = end + 1;
    }
  }
  return 0;
}
