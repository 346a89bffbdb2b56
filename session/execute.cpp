#include "session/execute.h"

#include <cstdio>
#include <cstring>

#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/run_settings.h"
#include "session/runner.h"
#include "statements/statement_reader.h"
#include "statements/statement_text.h"

namespace tarnwick {

uint32_t executed_count = 0;

namespace {

constexpr const char* kLiftsReadOnly =
    "refused: the session is read-only and this statement would make it write (run with --mode=w to write)";

}  // namespace

sqltext::StatementInfo read_statement_info(const char* text) {
  return sqltext::classify_head(text, sql_dialect_of_host(settings.host.narrow(0)));
}

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

Outcome run_statement(char* text, const sqltext::StatementInfo& read, const StatementOrigin& origin) {
  Outcome outcome;
  const bool query = read.query;
  sqltext::StatementInfo rewritten;
  const sqltext::StatementInfo* info = &read;
  if (!query) {
    const char first = text[0];
    if (apply_filters(text)) {
      record_skipped();
      return outcome;  // a filtered statement does not count against the limit
    }
    if (text[0] != first) {  // a leading "immediate" blanked: a commit now
      rewritten = read_statement_info(text);
      info = &rewritten;
    }
  }
  if (query && settings.ignore_select) {
    record_skipped();  // ignored queries still count against it
  } else if (settings.read_only && dialect_of_host(settings.host.narrow(0)) == Dialect::postgres &&
             sqltext::lifts_read_only(text)) {
    // The server's read-only default is one the session may lift: what
    // would lift it is refused here, before it reaches the server.
    client_error.code = QL_ERR_ENGINE;
    std::snprintf(client_error.text, sizeof client_error.text, "%s", kLiftsReadOnly);
    if (run_stats.active) record_failure(-1, kLiftsReadOnly);
    outcome.code = QL_ERR_ENGINE;
  } else {
    outcome = runner().submit(text, *info, origin);
  }
  ++executed_count;
  if (executed_count >= static_cast<uint32_t>(settings.statement_limit)) {
    outcome.merge(Outcome{Next::end_source});
  }
  return outcome;
}

}  // namespace tarnwick
