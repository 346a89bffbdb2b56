#include "session/execute.h"

#include <cstring>

#include "measure/run_stats.h"
#include "session/show_results.h"
#include "session/timing.h"
#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "runtime/console_output.h"
#include "statements/statement_reader.h"
#include "statements/statement_text.h"
#include "statements/trace_file.h"

namespace tarnwick {

uint32_t executed_count = 0;

namespace {

// Shows the rows of a cursor of slot 0 as a query's table, then closes it.
void show_rows(ql_cursor cursor) {
  std::vector<std::string>& captions = result_slots.caption_lists[0];
  captions.clear();
  // The table shows captions only above rows; the other formats write
  // their header line for an empty result too.
  if (result_slots.fetched_counts[0] != 0 || settings.format != OutputFormat::table) {
    for (int32_t column = 0; column < result_slots.column_counts[0]; ++column) {
      char* caption = ql_column_caption(cursor, column, &client_error);
      captions.emplace_back(caption != nullptr ? caption : "");
      ql_mfree(caption);
    }
  }
  print_results(true, cursor);
  ql_close_cursor(cursor);
}

void run_query(char* text) {
  if (settings.ignore_select) {
    record_skipped();
    return;
  }
  if (settings.statements >= 2) {
    append_to_batch(text, true);
    return;
  }
  schedule_next_call(1);
  ql_cursor cursor = ql_query(connection, text, &result_slots.column_counts[0],
                              &result_slots.row_counts[0], &result_slots.fetched_counts[0], 0, 0,
                              &client_error);
  measure_call(1, true);
  if (cursor == 0 || client_error.code != 0) {
    report_error();
    if (cursor != 0) ql_close_cursor(cursor);  // a cursor that came with an error is not kept
    return;
  }
  show_rows(cursor);
}

// Whether the statement's first word is "copy": it runs on the copy
// protocol, with the data lines that followed it in its script.
bool is_copy(const char* text) {
  const char* word = begins_with_unicode_marker(text) ? text + kUnicodeMarkerLength : text;
  return begins_with_ignoring_case(word, "copy") && (is_blank(word[4]) || word[4] == '\0');
}

// The data of a COPY ... TO STDOUT is a result: suppressed with the tables.
void write_copy_out(void*, const char* data, int32_t length) {
  if (!settings.suppress_results) out_bytes(data, static_cast<size_t>(length));
}

// Runs one non-query statement on the single-statement calls and shows
// its outcome: the table of the rows the engine answered with, or the
// affected line. False when it failed (the error is in client_error).
bool run_single(const char* text) {
  ql_cursor cursor = 0;
  schedule_next_call(1);
  if (is_copy(text)) {
    const std::string* data = copy_data_of_statement;
    result_slots.row_counts[0] =
        ql_copy(connection, text, data != nullptr ? data->data() : "",
                data != nullptr ? static_cast<int64_t>(data->size()) : 0, write_copy_out, nullptr,
                &client_error);
  } else {
    cursor = ql_run(connection, text, &result_slots.column_counts[0], &result_slots.row_counts[0],
                    &result_slots.fetched_counts[0], &client_error);
  }
  measure_call(1, false);
  if (client_error.code != 0) {
    if (cursor != 0) ql_close_cursor(cursor);
    return false;
  }
  if (cursor != 0) {
    result_slots.returns_rows[0] = 1;
    show_rows(cursor);
    result_slots.returns_rows[0] = 0;
  } else {
    show_affected(result_slots.row_counts[0]);
  }
  return true;
}

}  // namespace

bool apply_filters(char* text) {
  if (settings.ignore_execute) return true;
  // Always dropped, whatever the switches say: a fixed rule of the program
  // that replayed workloads rely on, not a missing switch. The comparison is
  // on the exact prefix, so "INSERT  INTO seance" (two blanks) is sent.
  if (begins_with_ignoring_case(text, "INSERT INTO seance")) return true;
  if (settings.ignore_backup && begins_with_ignoring_case(text, "backup")) return true;
  if (settings.ignore_switch && begins_with_ignoring_case(text, "switch")) return true;
  if (settings.ignore_delete && begins_with_ignoring_case(text, "delete")) return true;
  if (settings.ignore_transaction && begins_with_ignoring_case(text, "begin trans")) return true;
  if (settings.ignore_transaction && begins_with_ignoring_case(text, "immediate")) {
    if (!settings.immediate_is_simple_commit) return true;
    std::memset(text, ' ', 9);
  }
  return false;
}

void run_statement(char* text, bool query, bool* stop_flag) {
  *stop_flag = false;
  if (query) {
    run_query(text);
  } else {
    if (apply_filters(text)) {
      record_skipped();
      return;
    }
    // A COPY carries its data with it, so it cannot wait in a batch: the
    // batch before it is sent and the copy runs on its own.
    bool alone = settings.statements == 1 || is_copy(text);
    if (alone) {
      if (settings.statements != 1) flush_batch();
      if (!run_single(text)) {
        report_error();
        if (settings.debug) {
          trace_statement(text);
          reconnect(&connection);
        } else if (client_error.code == QL_ERR_LOST) {
          *stop_flag = true;
        }
      }
    } else {
      append_to_batch(text, false);
    }
  }
  ++executed_count;
  if (executed_count >= static_cast<uint32_t>(settings.statement_limit)) *stop_flag = true;
}

}  // namespace tarnwick
