#include "results/delimited.h"

#include <cstring>

#include "runtime/console_output.h"

namespace tarnwick {

namespace {

char separator_of(OutputFormat format) {
  switch (format) {
    case OutputFormat::csv: return ',';
    case OutputFormat::tsv: return '\t';
    default: return '|';
  }
}

// psql quotes a CSV field that a reader would otherwise cut or misread, and
// "\." alone, which COPY takes for the end of its data.
bool needs_quotes(const char* text, char separator) {
  return std::strchr(text, separator) != nullptr || std::strpbrk(text, "\r\n\"") != nullptr ||
         std::strcmp(text, "\\.") == 0;
}

void put_field(const TableOptions& options, const char* text) {
  if (text == nullptr || options.suppress_results) return;
  std::string converted;
  if (options.to_console != nullptr) {
    converted = text;
    options.to_console(converted);
    text = converted.c_str();
  }
  if (options.format != OutputFormat::csv || !needs_quotes(text, ',')) {
    write_bytes(options.stream, text, std::strlen(text));
    return;
  }
  putc_unlocked('"', options.stream);
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '"') putc_unlocked('"', options.stream);
    putc_unlocked(*p, options.stream);
  }
  putc_unlocked('"', options.stream);
}

void put_separator(const TableOptions& options, int32_t column) {
  if (column > 0 && !options.suppress_results) putc_unlocked(separator_of(options.format), options.stream);
}

void end_row(const TableOptions& options) {
  if (options.suppress_results) return;
  putc_unlocked('\n', options.stream);
  if (options.flush_lines) std::fflush(options.stream);
}

}  // namespace

void print_delimited(const TableOptions& options, const QueryCounts& counts,
                     const std::vector<std::string>& captions, const CellSource& cells) {
  if (counts.columns == 0) return;
  for (int32_t k = 0; k < counts.columns; ++k) {
    put_separator(options, k);
    put_field(options, k < static_cast<int32_t>(captions.size()) ? captions[k].c_str() : "");
  }
  end_row(options);
  for (int32_t j = 0; j < counts.fetched; ++j) {
    for (int32_t k = 0; k < counts.columns; ++k) {
      put_separator(options, k);
      bool ok;
      const char* value = cells.fetch(cells.context, j, k, &ok);
      if (!ok) continue;
      put_field(options, value);
      if (cells.release != nullptr) cells.release(value);
    }
    end_row(options);
  }
}

}  // namespace tarnwick
