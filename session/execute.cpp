#include "session/execute.h"

#include <cstring>
#include <strings.h>

#include "console/result_table.h"
#include "console/run_settings.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "statements/trace_file.h"

namespace tarnwick {

uint32_t executed_count = 0;

namespace {

// Whether `text` begins with `literal`, letter case ignored, nothing skipped.
bool begins_with(const char* text, const char* literal) {
  return strncasecmp(text, literal, std::strlen(literal)) == 0;
}

void run_query(char* text) {
  if (settings.ignore_select) return;
  if (settings.statements >= 2) {
    append_to_batch(text, true);
    return;
  }
  ql_cursor cursor = ql_query(connection, text, &result_slots.column_counts[0],
                              &result_slots.row_counts[0], &result_slots.fetched_counts[0], 0, 0,
                              &client_error);
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

bool filtered_out(char* text) {
  if (settings.ignore_execute) return true;
  if (begins_with(text, "INSERT INTO seance")) return true;
  if (settings.ignore_backup && begins_with(text, "backup")) return true;
  if (settings.ignore_switch && begins_with(text, "switch")) return true;
  if (settings.ignore_delete && begins_with(text, "delete")) return true;
  if (settings.ignore_transaction && begins_with(text, "begin trans")) return true;
  if (settings.ignore_transaction && begins_with(text, "immediate")) {
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
    if (filtered_out(text)) return;
    if (settings.statements == 1) {
      result_slots.row_counts[0] = ql_do(connection, text, &client_error);
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
