#include "session/execute.h"

#include <cstring>

#include "measure/run_stats.h"
#include "session/show_results.h"
#include "session/timing.h"
#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "statements/statement_text.h"
#include "statements/trace_file.h"

namespace tarnwick {

uint32_t executed_count = 0;

namespace {

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
  std::vector<std::string>& captions = result_slots.caption_lists[0];
  captions.clear();
  if (result_slots.fetched_counts[0] != 0) {
    for (int32_t column = 0; column < result_slots.column_counts[0]; ++column) {
      char* caption = ql_column_caption(cursor, column, &client_error);
      captions.emplace_back(caption != nullptr ? caption : "");
      ql_mfree(caption);
    }
  }
  print_results(true, cursor);
  ql_close_cursor(cursor);
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
    if (settings.statements == 1) {
      schedule_next_call(1);
      result_slots.row_counts[0] = ql_do(connection, text, &client_error);
      measure_call(1, false);
      if (client_error.code == 0) {
        print_results(false, 0);
      } else {
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
