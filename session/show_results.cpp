#include "session/show_results.h"

#include "results/display_width.h"
#include "results/result_table.h"
#include "runtime/client_error.h"
#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "session/pager.h"
#include "session/result_slots.h"

namespace tarnwick {

namespace {

// The cell source of one slot of a cursor.
struct SlotCells {
  ql_cursor cursor;
  int32_t slot;
};

// The cell where the cursor keeps it: nothing is copied, nothing released.
const char* view_slot_cell(void* context, int32_t row, int32_t column, bool* ok) {
  const SlotCells* cells = static_cast<const SlotCells*>(context);
  const char* value = ql_pool_view(cells->cursor, cells->slot, row, column, nullptr, &client_error);
  *ok = client_error.code == 0;
  return *ok ? value : nullptr;
}

TableOptions table_options() {
  TableOptions options;
  options.stream = stdout;
  options.flush_lines = output_is_console;
  options.raw = settings.raw;
  options.suppress_results = settings.suppress_results;
  options.quiet = settings.quiet;
  options.answers_limit = settings.answers_limit;
  options.format = settings.format;
  if (output_is_console) {
    // At a terminal the text is converted to the terminal's character set
    // and measured as the terminal draws it.
    options.to_console = text_to_console;
    options.width_of = console_width;
  } else if (settings.code_page == morvane::codepage_utf8) {
    // Elsewhere UTF-8 text is measured in columns on screen; Latin-1 text
    // in bytes, one column each.
    options.width_of = utf8_display_width;
  }
  return options;
}

}  // namespace

void print_results(bool query, ql_cursor cursor, size_t count) {
  ensure_result_slots(count);
  TableOptions options = table_options();
  for (size_t slot = 0; slot < count; ++slot) {
    if (!query && result_slots.returns_rows[slot] == 0) {
      print_affected_line(options, result_slots.row_counts[slot]);
      continue;
    }
    QueryCounts counts;
    counts.columns = result_slots.column_counts[slot];
    counts.rows = result_slots.row_counts[slot];
    counts.fetched = result_slots.fetched_counts[slot];
    SlotCells slot_cells{cursor, static_cast<int32_t>(slot)};
    CellSource cells{view_slot_cell, nullptr, &slot_cells};
    // Batch results carry no captions; their columns are headed by empty
    // ones. A statement sent alone has its captions in slot 0. Each result
    // is measured against the screen on its own, for the pager.
    ResultOutput output = open_result_output();
    options.stream = output.stream;
    options.flush_lines = output_is_console && !output.held;
    print_query_table(options, counts, result_slots.caption_lists[slot], cells);
    close_result_output(&output);
  }
}

}  // namespace tarnwick
