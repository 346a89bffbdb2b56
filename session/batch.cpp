#include "session/batch.h"

#include <cstring>
#include <string>
#include <vector>

#include "measure/run_stats.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "runtime/client_error.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "session/show_results.h"
#include "session/timing.h"
#include "statements/statement_text.h"
#include "statements/trace_file.h"

namespace tarnwick {

namespace {

// What has been said on standard error about the open pool: which of its
// sessions were reported lost, and the last failure of a whole batch call.
// A new handle (after a reconnect) starts afresh; the library never reuses
// handle numbers.
struct PoolReports {
  ql_handle handle = 0;
  std::vector<bool> lost_sessions;
  std::string batch_failure;
};
PoolReports reports;

// The engine's message on one line: each run of line breaks and tabs
// becomes one blank, and trailing blanks go.
std::string one_line(const char* text) {
  std::string line;
  for (const char* c = text; *c != '\0'; ++c) {
    bool space = *c == '\n' || *c == '\r' || *c == '\t';
    if (!space) {
      line += *c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// A failed batch shows on standard output only as -1 counts, so failures
// of the pool itself get one line on standard error: a batch call that
// failed as a whole (no handle, worker threads that would not start), once
// for each new message; and each lost session, once. Entry i ran on session
// i mod sessions, and the library keeps each entry's own error, so every
// session lost in the batch is named, also behind entries that failed for
// other reasons; a pool that loses all its sessions at once gets one line.
void report_pool_failure(bool call_failed, size_t n) {
  if (client_error.code == 0) return;
  if (reports.handle != connection) {
    reports = PoolReports();
    reports.handle = connection;
  }
  client_error.text[sizeof client_error.text - 1] = '\0';
  if (call_failed) {
    if (reports.batch_failure == client_error.text) return;
    reports.batch_failure = client_error.text;
    std::string what = "The pool could not run a batch of " + std::to_string(n) + " statement(s): ";
    error_line(what.c_str(), one_line(client_error.text).c_str());
    return;
  }
  const size_t sessions = settings.sessions > 1 ? static_cast<size_t>(settings.sessions) : 1;
  if (reports.lost_sessions.size() < sessions) reports.lost_sessions.resize(sessions);
  std::vector<std::pair<size_t, std::string>> newly_lost;  // session, message
  for (size_t i = 0; i < n; ++i) {
    const size_t session = i % sessions;
    if (result_slots.row_counts[i] != -1 || reports.lost_sessions[session]) continue;
    ClientError entry{};
    ql_last_entry_error(connection, static_cast<int32_t>(i), &entry);
    if (entry.code != QL_ERR_LOST) continue;
    entry.text[sizeof entry.text - 1] = '\0';
    reports.lost_sessions[session] = true;
    newly_lost.emplace_back(session, one_line(entry.text));
  }
  // Entries of a lost session were not run: the run's exit code says so.
  if (!newly_lost.empty()) run_state.lost_connection = true;
  if (newly_lost.size() == sessions && sessions > 1) {
    std::string what = "All " + std::to_string(sessions) + " sessions of the pool are lost: ";
    error_line(what.c_str(), newly_lost[0].second.c_str());
    return;
  }
  for (const auto& [session, message] : newly_lost) {
    std::string what = "Session " + std::to_string(session) + " of the pool is lost: ";
    error_line(what.c_str(), message.c_str());
  }
}


// Shows the rows of a cursor of a statement sent alone as its table, with
// its captions, then closes it.
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
  print_results(true, cursor, 1);
  ql_close_cursor(cursor);
}

// A statement other than a query that failed is traced under --debug
// (the loop reopens the connection once it has reported the failure);
// otherwise a lost connection ends its source.
Outcome failed_alone(const char* text, ql_cursor cursor, bool query) {
  if (cursor != 0) ql_close_cursor(cursor);  // a cursor that came with an error is not kept
  Outcome outcome;
  outcome.code = client_error.code;
  if (!query && settings.debug) {
    trace_statement(text);
    outcome.reopen = true;
  } else if (client_error.code == QL_ERR_LOST) {
    outcome.next = Next::end_source;  // nothing more can be sent on it
  }
  return outcome;
}

// "Error : <message>" on standard error for each failed entry of the batch
// just sent (the machine formats).
void name_failed_entries(size_t n) {
  ClientError entry{};
  for (size_t i = 0; i < n; ++i) {
    if (result_slots.row_counts[i] != -1) continue;
    ql_last_entry_error(connection, static_cast<int32_t>(i), &entry);
    if (entry.code == 0) continue;
    entry.text[sizeof entry.text - 1] = '\0';
    error_line("Error : ", entry.text);
  }
}

// The framed table of a batch entry has no captions, as it always had;
// the other formats head their rows with the column names, which programs
// reading a CSV need. Slots without rows keep none.
void take_batch_captions(ql_cursor cursor, size_t n) {
  ClientError ignored;
  for (size_t slot = 0; slot < n; ++slot) {
    std::vector<std::string>& captions = result_slots.caption_lists[slot];
    captions.clear();
    bool rows = pending_are_queries || result_slots.returns_rows[slot] != 0;
    if (settings.format == OutputFormat::table || cursor == 0 || !rows) continue;
    for (int32_t column = 0; column < result_slots.column_counts[slot]; ++column) {
      char* caption = ql_pool_caption(cursor, static_cast<int32_t>(slot), column, &ignored);
      captions.emplace_back(caption != nullptr ? caption : "");
      ql_mfree(caption);
    }
  }
}

}  // namespace

void forget_pool_reports() { reports = PoolReports(); }

Outcome send_alone(const char* text, const sqltext::StatementInfo& info) {
  const bool query = info.query;
  const uint8_t marks = block_marks(info);
  Outcome outcome = flush_batch();
  if (outcome.failed() && run_state.stop_on_error) return outcome;
  ensure_result_slots(1);
  schedule_next_call(1);
  take_copy_out_bytes();
  ql_cursor cursor;
  if (query) {
    cursor = ql_query(connection, text, &result_slots.column_counts[0], &result_slots.row_counts[0],
                      &result_slots.fetched_counts[0], 0, 0, &client_error);
  } else {
    // Any statement may turn out to be a COPY: the library asks the copy
    // feed for data when the engine does.
    cursor = ql_run(connection, text, &result_slots.column_counts[0], &result_slots.row_counts[0],
                    &result_slots.fetched_counts[0], &client_error);
  }
  measure_call(1, query, &text, &marks);
  if (client_error.code != 0 || (query && cursor == 0)) {
    Outcome failed = failed_alone(text, cursor, query);
    failed.after_data = take_copy_out_bytes() > 0;
    outcome.merge(failed);
    return outcome;
  }
  if (cursor != 0) {
    result_slots.returns_rows[0] = 1;
    show_rows(cursor);
    result_slots.returns_rows[0] = 0;
  } else {
    result_slots.returns_rows[0] = 0;
    print_results(false, 0, 1);
  }
  return outcome;
}

Outcome append_to_batch(const char* text, const sqltext::StatementInfo& info) {
  const bool query = info.query;
  Outcome outcome;
  // A transaction block runs whole on one session: a batch puts entry i on
  // session i mod sessions, so the statements of a block would be split
  // over the pool and commit apart, or not at all. From its BEGIN to its
  // end, each statement goes as a batch of one, whose entry 0 runs on
  // session 0, after the batch that was pending.
  if (!pending_in_block && info.opens_block) {
    outcome = flush_batch();
    if (outcome.failed() && run_state.stop_on_error) return outcome;
    pending_in_block = true;
  }
  if (pending_in_block) {
    if (info.ends_block) pending_in_block = false;
    pending_are_queries = query;
    pending_statements.emplace_back(text);
    pending_marks.push_back(block_marks(info));
    outcome.merge(flush_batch());
    return outcome;
  }
  if (pending_statements.empty()) {
    pending_are_queries = query;
  } else if (pending_are_queries != query) {
    outcome = flush_batch();
    // The run ends there: the statement would never be sent.
    if (outcome.failed() && run_state.stop_on_error) return outcome;
    pending_are_queries = query;
  }
  pending_statements.emplace_back(text);
  pending_marks.push_back(block_marks(info));
  if (pending_statements.size() >= static_cast<size_t>(settings.statements)) outcome.merge(flush_batch());
  return outcome;
}

Outcome flush_batch() {
  size_t n = pending_statements.size();
  if (n == 0) return Outcome();
  ensure_result_slots(n);
  for (size_t i = 0; i < n; ++i) {
    result_slots.text_pointers[i] = pending_statements[i].c_str();
    // The marker of a failed entry. A batch call that fails as a whole
    // (after "disconnect", say) fills nothing, and stale counts of an
    // earlier batch must not be shown as this batch's results.
    result_slots.column_counts[i] = 0;
    result_slots.row_counts[i] = -1;
    result_slots.fetched_counts[i] = 0;
    result_slots.returns_rows[i] = 0;
  }
  const char* const* texts = result_slots.text_pointers.data();
  int32_t count = static_cast<int32_t>(n);
  ql_cursor cursor = 0;
  schedule_next_call(n);
  bool call_failed;
  if (pending_are_queries) {
    cursor = ql_pool_query(connection, texts, count, result_slots.column_counts.data(),
                           result_slots.row_counts.data(), result_slots.fetched_counts.data(), 0,
                           0, &client_error);
    call_failed = cursor == 0;
  } else {
    // Entries that the engine answers with rows show their tables. The
    // library fills every entry's counts unless the call failed as a whole
    // (no such handle, worker threads that would not start): a fetched
    // count still at the -1 put there first tells the two apart.
    result_slots.fetched_counts[0] = -1;
    cursor = ql_pool_run(connection, texts, count, result_slots.column_counts.data(),
                         result_slots.row_counts.data(), result_slots.fetched_counts.data(),
                         result_slots.returns_rows.data(), &client_error);
    call_failed = result_slots.fetched_counts[0] == -1;
    if (call_failed) result_slots.fetched_counts[0] = 0;
  }
  if (run_stats.active) record_batch(n, static_cast<uint64_t>(settings.statements));
  measure_call(n, pending_are_queries, texts, pending_marks.data());
  report_pool_failure(call_failed, n);
  take_batch_captions(cursor, n);
  // Showing the cells goes through the error record; the batch's own
  // outcome is put back after.
  const ClientError batch_error = client_error;
  print_results(pending_are_queries, cursor, n);
  client_error = batch_error;
  if (pending_are_queries || cursor != 0) ql_pool_close_cursor(cursor);
  for (size_t i = 0; i < n; ++i) result_slots.returns_rows[i] = 0;
  pending_statements.clear();
  pending_marks.clear();
  // Batch failures show as -1 counts in the framed table; the machine
  // formats write no counts, so each failed entry is named on standard
  // error. The code is the batch's first failing entry's, its message in
  // client_error.
  Outcome outcome;
  outcome.code = client_error.code;
  outcome.shown = true;
  if (settings.format != OutputFormat::table && outcome.failed()) name_failed_entries(n);
  return outcome;
}

}  // namespace tarnwick
