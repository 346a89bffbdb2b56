#include "console/result_table.h"

#include <cstring>
#include <string>
#include <vector>

#include "console/console_output.h"
#include "console/console_text.h"
#include "console/run_settings.h"
#include "session/connection.h"
#include "session/result_slots.h"

namespace tarnwick {

namespace {

// The characters that draw the frame.
constexpr char kCorner = '+';
constexpr char kHorizontal = '-';
constexpr char kVertical = '|';

// The cell at (row, column) of slot `slot`, or null. `ok` says whether the
// fetch succeeded; a failed fetch gives no text to release.
char* fetch_cell(ql_cursor cursor, size_t slot, int32_t row, int32_t column, bool* ok) {
  char* value = settings.statements == 1
                    ? ql_column_value(cursor, row, column, &client_error)
                    : ql_pool_fetch(cursor, static_cast<int32_t>(slot), row, column, &client_error);
  *ok = client_error.code == 0;
  return *ok ? value : nullptr;
}

void print_count_line(int32_t rows, int32_t fetched) {
  if (rows >= settings.answers_limit) {
    out_text("result truncated to ");
    out_number(rows);
    out_text(" row(s)");
  } else if (rows == fetched) {
    out_number(rows);
    out_text(" row(s)");
  } else {
    out_number(rows);
    out_text(" (");
    out_number(fetched);
    out_text(" fetched) rows");
  }
  end_line();
}

void print_border(const std::vector<int64_t>& widths, const std::vector<std::string>& captions) {
  for (size_t k = 0; k < widths.size(); ++k) {
    if (k == 0) out_char(kCorner);
    int64_t dashes = widths[k];
    if (settings.raw) dashes = k < captions.size() ? static_cast<int64_t>(captions[k].size()) : 0;
    out_repeat(kHorizontal, dashes);
    out_char(kCorner);
  }
  end_line();
}

void print_query(size_t slot, ql_cursor cursor) {
  int32_t rows = result_slots.row_counts[slot];
  int32_t fetched = result_slots.fetched_counts[slot];
  int32_t columns = result_slots.column_counts[slot] > 0 ? result_slots.column_counts[slot] : 0;
  // Batch results carry no captions; their columns are headed by empty ones.
  std::vector<std::string>& captions = result_slots.caption_lists[slot];

  if (!settings.suppress_results) print_count_line(rows, fetched);
  if (rows <= 0) return;

  std::vector<int64_t> widths(static_cast<size_t>(columns), 0);
  if (!settings.raw) {
    for (int32_t j = 0; j < fetched; ++j) {
      for (int32_t k = 0; k < columns; ++k) {
        if (j == 0) widths[k] = k < static_cast<int32_t>(captions.size()) ? captions[k].size() : 0;
        bool ok;
        char* value = fetch_cell(cursor, slot, j, k, &ok);
        if (!ok) continue;
        int64_t length = value != nullptr ? static_cast<int64_t>(std::strlen(value)) : 0;
        if (length > widths[k]) widths[k] = length;
        ql_mfree(value);
      }
    }
  }

  if (!settings.suppress_results) {
    print_border(widths, captions);
    for (int32_t k = 0; k < columns; ++k) {
      if (k == 0) out_char(kVertical);
      char* caption = k < static_cast<int32_t>(captions.size()) ? captions[k].data() : nullptr;
      print_cell(settings.raw ? 0 : widths[k], caption);
      out_char(kVertical);
    }
    end_line();
    print_border(widths, captions);
  }

  for (int32_t j = 0; j < fetched; ++j) {
    for (int32_t k = 0; k < columns; ++k) {
      if (k == 0 && !settings.suppress_results) out_char(kVertical);
      int64_t width = settings.raw ? 0 : widths[k];
      bool ok;
      char* value = fetch_cell(cursor, slot, j, k, &ok);
      print_cell(width, value);
      if (ok) ql_mfree(value);
      if (!settings.suppress_results) out_char(kVertical);
    }
    if (!settings.suppress_results) end_line();
  }
}

void print_affected(size_t slot) {
  if (settings.quiet) return;
  int32_t rows = result_slots.row_counts[slot];
  out_number(rows);
  out_text(rows > 1 ? " rows affected" : " row affected");
  end_line();
}

}  // namespace

void print_cell(int64_t width, char* text) {
  if (settings.suppress_results) return;
  if (text == nullptr || text[0] == '\0') {
    out_repeat(' ', width);
    return;
  }
  if (output_is_console) text_to_console(text);
  size_t length = std::strlen(text);
  out_bytes(text, length);
  out_repeat(' ', width - static_cast<int64_t>(length));
}

void print_results(bool query, ql_cursor cursor) {
  ensure_result_slots(pending_statements.size());
  for (size_t slot = 0; slot < pending_statements.size(); ++slot) {
    if (query) {
      print_query(slot, cursor);
    } else {
      print_affected(slot);
    }
  }
}

}  // namespace tarnwick
