#include "session/batch.h"

#include "measure/run_stats.h"
#include "session/show_results.h"
#include "session/timing.h"
#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/result_slots.h"

namespace tarnwick {

void append_to_batch(const char* text, bool query) {
  if (pending_statements.empty()) {
    pending_are_queries = query;
  } else if (pending_are_queries != query) {
    flush_batch();
    pending_are_queries = query;
  }
  pending_statements.emplace_back(text);
  if (pending_statements.size() >= static_cast<size_t>(settings.statements)) flush_batch();
}

void flush_batch() {
  if (settings.statements == 1) return;
  size_t n = pending_statements.size();
  if (n == 0) return;
  ensure_result_slots(n);
  for (size_t i = 0; i < n; ++i) {
    result_slots.text_pointers[i] = pending_statements[i].c_str();
    // The marker of a failed entry. A batch call that fails as a whole
    // (after "disconnect", say) fills nothing, and stale counts of an
    // earlier batch must not be shown as this batch's results.
    result_slots.column_counts[i] = 0;
    result_slots.row_counts[i] = -1;
    result_slots.fetched_counts[i] = 0;
  }
  const char* const* texts = result_slots.text_pointers.data();
  int32_t count = static_cast<int32_t>(n);
  ql_cursor cursor = 0;
  schedule_next_call(n);
  if (pending_are_queries) {
    cursor = ql_pool_query(connection, texts, count, result_slots.column_counts.data(),
                           result_slots.row_counts.data(), result_slots.fetched_counts.data(), 0,
                           0, &client_error);
  } else {
    ql_pool_do(connection, texts, count, result_slots.row_counts.data(), &client_error);
  }
  if (run_stats.active) record_batch(n, static_cast<uint64_t>(settings.statements));
  measure_call(n, pending_are_queries);
  print_results(pending_are_queries, cursor);
  if (pending_are_queries) ql_pool_close_cursor(cursor);
  pending_statements.clear();
}

}  // namespace tarnwick
