#include "tests/fakes/fake_ql_client.h"

#include <atomic>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <deque>
#include <map>

#include "ql_client/ql_client.h"

namespace fake_ql {

namespace {

struct State {
  std::deque<Outcome> queue;
  std::vector<std::string> calls;
  std::map<int32_t, std::vector<Outcome>> cursors;
  int32_t next_id = 1;
  int32_t open_failure_code = 0;
  std::string open_failure_text;
  int32_t list_db_failures = 0;
  std::string last_open;
  int64_t outstanding = 0;
  ql_notice_handler notice_handler = nullptr;
  void* notice_context = nullptr;
  ql_copy_source copy_source = nullptr;
  void* copy_source_context = nullptr;
  ql_copy_sink copy_sink = nullptr;
  void* copy_sink_context = nullptr;
  int32_t sessions = 1;
  std::vector<int64_t> due;        // for the next call
  std::vector<int64_t> scheduled;  // every due time ever given
  std::vector<ql_entry_timing> last_timings;
  std::vector<Outcome> last_outcomes;
  bool in_transaction = false;
  std::map<std::string, std::string> parameters;
};

std::atomic<int32_t> cancel_calls{0};

State& state() {
  static State instance;
  return instance;
}

int64_t now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void sleep_until(int64_t due_ns) {
  timespec due{static_cast<time_t>(due_ns / 1000000000), static_cast<long>(due_ns % 1000000000)};
  clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
}

// Plays the time of the entries of one call: each waits for its due time,
// then stalls as long as its outcome says; the call's timings are kept.
void play(const std::vector<Outcome>& entries) {
  State& s = state();
  s.last_timings.clear();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i < s.due.size()) sleep_until(s.due[i]);
    int64_t started = now_ns();
    if (entries[i].stall_ms > 0) sleep_until(started + int64_t{entries[i].stall_ms} * 1000000);
    int32_t session = static_cast<int32_t>(i % static_cast<size_t>(s.sessions));
    s.last_timings.push_back({started, now_ns(), session, entries[i].error_code});
  }
  s.last_outcomes = entries;
  s.due.clear();
}

Outcome next_outcome(bool query) {
  if (state().queue.empty()) {
    Outcome outcome;
    if (query) outcome.affected = 0;
    return outcome;
  }
  Outcome outcome = state().queue.front();
  state().queue.pop_front();
  for (const std::string& notice : outcome.notices) {
    if (state().notice_handler != nullptr) state().notice_handler(notice.c_str(), state().notice_context);
  }
  return outcome;
}

// The next outcome of ql_do or ql_run, logged as "do <text>": the COPY
// data it asks for is pulled from the stored source (the log then shows
// "copy_in <text>|<data>"), what it sends goes to the stored sink.
Outcome run_single(const char* text) {
  State& s = state();
  s.calls.push_back(std::string("do ") + text);
  size_t logged = s.calls.size() - 1;  // the source may call in and log more
  Outcome outcome = next_outcome(false);
  if (outcome.copy_in) {
    std::string received;
    if (s.copy_source == nullptr) {
      outcome.error_code = QL_ERR_ENGINE;
      outcome.error_text = "COPY from the client is not supported";
    }
    while (s.copy_source != nullptr) {
      const char* data = nullptr;
      int32_t length = s.copy_source(s.copy_source_context, &data);
      if (length == 0) break;
      if (length < 0) {
        outcome.error_code = QL_ERR_ENGINE;
        outcome.error_text = std::string("COPY from stdin failed: ") + (data != nullptr ? data : "");
        break;
      }
      received.append(data, static_cast<size_t>(length));
    }
    s.calls[logged] = std::string("copy_in ") + text + "|" + received;
  }
  if (s.copy_sink != nullptr && !outcome.copy_out.empty()) {
    s.copy_sink(s.copy_sink_context, outcome.copy_out.data(), static_cast<int32_t>(outcome.copy_out.size()));
  }
  play({outcome});
  return outcome;
}

void set_error(ClientError* error, int32_t code, const std::string& text) {
  if (error == nullptr) return;
  error->code = code;
  if (code != 0) {
    std::strncpy(error->text, text.c_str(), sizeof error->text - 1);
    error->text[sizeof error->text - 1] = '\0';
  }
}

// A batch reports the code and message of its first failing entry.
void set_first_failure(ClientError* error, const std::vector<Outcome>& entries) {
  for (const Outcome& entry : entries) {
    if (entry.error_code != 0) {
      set_error(error, entry.error_code, entry.error_text);
      return;
    }
  }
  set_error(error, 0, "");
}

char* copy_text(const std::string& text) {
  ++state().outstanding;
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

int32_t reported_rows(const Outcome& outcome) {
  return outcome.row_count == -2 ? static_cast<int32_t>(outcome.rows.size()) : outcome.row_count;
}

void fill_counts(const Outcome& outcome, int32_t* columns, int32_t* rows, int32_t* fetched) {
  bool failed = outcome.error_code != 0;
  if (columns) *columns = failed ? 0 : static_cast<int32_t>(outcome.captions.size());
  if (rows) *rows = failed ? -1 : reported_rows(outcome);
  if (fetched) *fetched = failed ? 0 : static_cast<int32_t>(outcome.rows.size());
}

ql_handle open_handle(const std::string& call, ClientError* error) {
  state().calls.push_back(call);
  if (state().open_failure_code != 0) {
    set_error(error, state().open_failure_code, state().open_failure_text);
    state().open_failure_code = 0;
    return 0;
  }
  set_error(error, 0, "");
  return state().next_id++;
}

std::string joined(const char* const* texts, int32_t n) {
  std::string all;
  for (int32_t i = 0; i < n; ++i) {
    if (i > 0) all += "|";
    all += texts[i];
  }
  return all;
}

// The cell (nullopt for NULL), or null with the error set.
const Cell* find_cell(int32_t cursor, int32_t entry, int32_t row, int32_t column, ClientError* error) {
  auto found = state().cursors.find(cursor);
  if (found == state().cursors.end() || entry < 0 ||
      entry >= static_cast<int32_t>(found->second.size())) {
    set_error(error, QL_ERR_CURSOR, "unknown cursor");
    return nullptr;
  }
  const Outcome& outcome = found->second[entry];
  if (outcome.failing_cells.count({row, column}) != 0) {
    set_error(error, QL_ERR_RANGE, "failing cell");
    return nullptr;
  }
  if (row < 0 || row >= static_cast<int32_t>(outcome.rows.size()) || column < 0 ||
      column >= static_cast<int32_t>(outcome.rows[row].size())) {
    set_error(error, QL_ERR_RANGE, "out of range");
    return nullptr;
  }
  set_error(error, 0, "");
  return &outcome.rows[row][column];
}

char* cell(int32_t cursor, int32_t entry, int32_t row, int32_t column, ClientError* error) {
  const Cell* value = find_cell(cursor, entry, row, column, error);
  return value != nullptr && *value ? copy_text(**value) : nullptr;
}

}  // namespace

void reset() {
  state() = State();
  cancel_calls = 0;
}
void push(Outcome outcome) { state().queue.push_back(std::move(outcome)); }
void fail_next_open(int32_t code, const std::string& text) {
  state().open_failure_code = code;
  state().open_failure_text = text;
}
void set_list_db_failures(int32_t failures) { state().list_db_failures = failures; }
void set_in_transaction(bool open) { state().in_transaction = open; }
void set_parameter(const std::string& name, const std::string& value) { state().parameters[name] = value; }
const std::vector<std::string>& calls() { return state().calls; }
const std::string& last_open_arguments() { return state().last_open; }
int64_t texts_outstanding() { return state().outstanding; }
int32_t cancels() { return cancel_calls; }
const std::vector<int64_t>& scheduled() { return state().scheduled; }

}  // namespace fake_ql

using fake_ql::state;

extern "C" {

int32_t ql_list_db(const char*, const char*, char** databases, ClientError* error) {
  state().calls.push_back("list_db");
  if (databases) *databases = nullptr;
  if (state().list_db_failures != 0) {
    if (state().list_db_failures > 0) --state().list_db_failures;
    fake_ql::set_error(error, QL_ERR_CONNECT, "no server");
    return 0;
  }
  fake_ql::set_error(error, 0, "");
  if (databases) *databases = fake_ql::copy_text("db");
  return 1;
}

ql_handle ql_open(const char* host, const char* port, const char*, const char* user,
                  const char*, const char* language, int32_t read_only, int32_t page_size,
                  int32_t answers_limit, int32_t code_page, ClientError* error) {
  state().last_open = std::string(host) + " " + port + " " + user + " " + language + " " +
                      std::to_string(read_only) + " " + std::to_string(page_size) + " " +
                      std::to_string(answers_limit) + " " + std::to_string(code_page);
  return fake_ql::open_handle("open", error);
}

ql_handle ql_pool_open(const char* host, const char* port, const char* database,
                       const char* user, const char* password, const char* language,
                       int32_t read_only, int32_t page_size, int32_t answers_limit,
                       int32_t code_page, int32_t sessions, ClientError* error) {
  state().last_open = std::string(host) + " " + port + " " + user + " " + language + " " +
                      std::to_string(read_only) + " " + std::to_string(page_size) + " " +
                      std::to_string(answers_limit) + " " + std::to_string(code_page);
  (void)database;
  (void)password;
  state().sessions = sessions > 0 ? sessions : 1;
  return fake_ql::open_handle("pool_open " + std::to_string(sessions), error);
}

ql_handle ql_pool_open_spread(const char* const* hosts, const char* const* ports, int32_t n, const char* database,
                              const char* user, const char* password, int32_t read_only, int32_t page_size,
                              int32_t answers_limit, int32_t code_page, int32_t sessions, ClientError* error) {
  (void)n;
  return ql_pool_open(hosts[0], ports != nullptr && ports[0] != nullptr ? ports[0] : "", database, user, password,
                      "English", read_only, page_size, answers_limit, code_page, sessions, error);
}

ql_cursor ql_query(ql_handle, const char* text, int32_t* columns, int32_t* rows,
                   int32_t* fetched, int32_t, int32_t, ClientError* error) {
  state().calls.push_back(std::string("query ") + text);
  fake_ql::Outcome outcome = fake_ql::next_outcome(true);
  fake_ql::play({outcome});
  fake_ql::fill_counts(outcome, columns, rows, fetched);
  fake_ql::set_error(error, outcome.error_code, outcome.error_text);
  if (outcome.error_code != 0) return 0;
  int32_t cursor = state().next_id++;
  state().cursors[cursor] = {outcome};
  return cursor;
}

int32_t ql_do(ql_handle, const char* text, ClientError* error) {
  fake_ql::Outcome outcome = fake_ql::run_single(text);
  fake_ql::set_error(error, outcome.error_code, outcome.error_text);
  return outcome.error_code != 0 ? -1 : outcome.affected;
}

ql_cursor ql_run(ql_handle, const char* text, int32_t* columns, int32_t* rows, int32_t* fetched,
                 ClientError* error) {
  fake_ql::Outcome outcome = fake_ql::run_single(text);
  fake_ql::set_error(error, outcome.error_code, outcome.error_text);
  if (outcome.error_code != 0 || !outcome.returns_rows) {
    fake_ql::fill_counts(fake_ql::Outcome(), columns, rows, fetched);
    if (columns) *columns = 0;
    if (rows) *rows = outcome.error_code != 0 ? -1 : outcome.affected;
    return 0;
  }
  fake_ql::fill_counts(outcome, columns, rows, fetched);
  int32_t cursor = state().next_id++;
  state().cursors[cursor] = {outcome};
  return cursor;
}

int32_t ql_copy(ql_handle, const char* text, const char* data, int64_t length, ql_copy_sink sink,
                void* context, ClientError* error) {
  state().calls.push_back(std::string("copy ") + text + "|" + std::string(data, length));
  fake_ql::Outcome outcome = fake_ql::next_outcome(false);
  fake_ql::play({outcome});
  fake_ql::set_error(error, outcome.error_code, outcome.error_text);
  if (sink != nullptr && !outcome.copy_out.empty()) {
    sink(context, outcome.copy_out.data(), static_cast<int32_t>(outcome.copy_out.size()));
  }
  return outcome.error_code != 0 ? -1 : outcome.affected;
}

ql_cursor ql_pool_run(ql_handle, const char* const* texts, int32_t n, int32_t* columns,
                      int32_t* rows, int32_t* fetched, int32_t* returns_rows, ClientError* error) {
  state().calls.push_back("pool_do " + fake_ql::joined(texts, n));
  std::vector<fake_ql::Outcome> entries;
  for (int32_t i = 0; i < n; ++i) {
    entries.push_back(fake_ql::next_outcome(false));
    const fake_ql::Outcome& outcome = entries.back();
    bool with_rows = outcome.error_code == 0 && outcome.returns_rows;
    returns_rows[i] = with_rows ? 1 : 0;
    fake_ql::fill_counts(outcome, columns + i, rows + i, fetched + i);
    if (!with_rows) {
      columns[i] = 0;
      fetched[i] = 0;
      rows[i] = outcome.error_code != 0 ? -1 : outcome.affected;
    }
  }
  fake_ql::play(entries);
  fake_ql::set_first_failure(error, entries);
  bool any_rows = false;
  for (int32_t i = 0; i < n; ++i) any_rows = any_rows || returns_rows[i] != 0;
  if (!any_rows) return 0;
  int32_t cursor = state().next_id++;
  state().cursors[cursor] = entries;
  return cursor;
}

ql_cursor ql_pool_query(ql_handle, const char* const* texts, int32_t n, int32_t* columns,
                        int32_t* rows, int32_t* fetched, int32_t, int32_t, ClientError* error) {
  state().calls.push_back("pool_query " + fake_ql::joined(texts, n));
  std::vector<fake_ql::Outcome> entries;
  for (int32_t i = 0; i < n; ++i) {
    entries.push_back(fake_ql::next_outcome(true));
    fake_ql::fill_counts(entries.back(), columns + i, rows + i, fetched + i);
  }
  fake_ql::play(entries);
  fake_ql::set_first_failure(error, entries);
  int32_t cursor = state().next_id++;
  state().cursors[cursor] = entries;
  return cursor;
}

int32_t ql_pool_do(ql_handle, const char* const* texts, int32_t n, int32_t* affected,
                   ClientError* error) {
  state().calls.push_back("pool_do " + fake_ql::joined(texts, n));
  std::vector<fake_ql::Outcome> entries;
  int32_t failed = 0;
  for (int32_t i = 0; i < n; ++i) {
    entries.push_back(fake_ql::next_outcome(false));
    affected[i] = entries.back().error_code != 0 ? -1 : entries.back().affected;
    if (entries.back().error_code != 0) ++failed;
  }
  fake_ql::play(entries);
  fake_ql::set_first_failure(error, entries);
  return failed;
}

char* ql_column_caption(ql_cursor cursor, int32_t column, ClientError* error) {
  auto found = state().cursors.find(cursor);
  if (found == state().cursors.end()) {
    fake_ql::set_error(error, QL_ERR_CURSOR, "unknown cursor");
    return nullptr;
  }
  fake_ql::set_error(error, 0, "");
  const std::vector<std::string>& captions = found->second[0].captions;
  return fake_ql::copy_text(column < static_cast<int32_t>(captions.size()) ? captions[column] : "");
}

char* ql_pool_caption(ql_cursor cursor, int32_t entry, int32_t column, ClientError* error) {
  auto found = state().cursors.find(cursor);
  if (found == state().cursors.end()) {
    fake_ql::set_error(error, QL_ERR_CURSOR, "unknown cursor");
    return nullptr;
  }
  if (entry < 0 || entry >= static_cast<int32_t>(found->second.size()) || column < 0 ||
      column >= static_cast<int32_t>(found->second[entry].captions.size())) {
    fake_ql::set_error(error, QL_ERR_RANGE, "out of range");
    return nullptr;
  }
  fake_ql::set_error(error, 0, "");
  return fake_ql::copy_text(found->second[entry].captions[column]);
}

char* ql_column_value(ql_cursor cursor, int32_t row, int32_t column, ClientError* error) {
  return fake_ql::cell(cursor, 0, row, column, error);
}

char* ql_pool_fetch(ql_cursor cursor, int32_t entry, int32_t row, int32_t column,
                    ClientError* error) {
  return fake_ql::cell(cursor, entry, row, column, error);
}

const char* ql_pool_view(ql_cursor cursor, int32_t entry, int32_t row, int32_t column, int64_t* length,
                         ClientError* error) {
  const fake_ql::Cell* value = fake_ql::find_cell(cursor, entry, row, column, error);
  bool text = value != nullptr && *value;
  if (length != nullptr) *length = text ? static_cast<int64_t>((*value)->size()) : 0;
  return text ? (*value)->c_str() : nullptr;
}

void ql_cancel(ql_handle) { ++fake_ql::cancel_calls; }

int32_t ql_in_transaction(ql_handle, ClientError* error) {
  fake_ql::set_error(error, 0, "");
  return state().in_transaction ? 1 : 0;
}

int32_t ql_transaction_state(ql_handle, ClientError* error) {
  fake_ql::set_error(error, 0, "");
  return state().in_transaction ? 1 : 0;
}

void ql_set_connect_defaults(const char*, const char*, const char*) {}

char* ql_password_user(void) { return fake_ql::copy_text(""); }

char* ql_parameter_status(ql_handle, const char* name, ClientError* error) {
  fake_ql::set_error(error, 0, "");
  auto found = state().parameters.find(name != nullptr ? name : "");
  return found == state().parameters.end() ? nullptr : fake_ql::copy_text(found->second);
}

int32_t ql_last_timings(ql_handle, ql_entry_timing* timings, int32_t n) {
  const std::vector<ql_entry_timing>& last = state().last_timings;
  int32_t count = std::min(n, static_cast<int32_t>(last.size()));
  for (int32_t i = 0; i < count; ++i) timings[i] = last[i];
  return count < 0 ? 0 : count;
}

void ql_last_entry_error(ql_handle, int32_t entry, ClientError* error) {
  const std::vector<fake_ql::Outcome>& last = state().last_outcomes;
  if (entry < 0 || entry >= static_cast<int32_t>(last.size())) {
    fake_ql::set_error(error, QL_ERR_RANGE, "out of range");
    return;
  }
  fake_ql::set_error(error, last[entry].error_code, last[entry].error_text);
}

int32_t ql_schedule_next(ql_handle, const int64_t* due_ns, int32_t n, ClientError* error) {
  state().due.assign(due_ns, due_ns + n);
  state().scheduled.insert(state().scheduled.end(), due_ns, due_ns + n);
  fake_ql::set_error(error, 0, "");
  return 1;
}


// The fake runs statements in the caller's thread only, as SQLite does:
// independent clients then keep a thread each.
int32_t ql_async_start(ql_handle, int32_t, ClientError* error) {
  fake_ql::set_error(error, QL_ERR_ARGUMENT, "this engine runs statements in the caller's thread only");
  return 0;
}

int32_t ql_async_prepare(ql_handle, ClientError* error) {
  fake_ql::set_error(error, QL_ERR_ARGUMENT, "not started");
  return 0;
}

int32_t ql_async_send(ql_handle, const char*, int64_t, ClientError* error) {
  fake_ql::set_error(error, QL_ERR_ARGUMENT, "not started");
  return 0;
}

int32_t ql_async_wait(ql_handle, int32_t*) { return -1; }

int32_t ql_async_work(ql_handle, ClientError* error) {
  fake_ql::set_error(error, QL_ERR_ARGUMENT, "not started");
  return -1;
}

int32_t ql_async_next(ql_handle, ql_async_done*, ClientError* error) {
  fake_ql::set_error(error, QL_ERR_ARGUMENT, "not started");
  return -1;
}

int32_t ql_set_notice_handler(ql_handle, ql_notice_handler handler, void* context, ClientError* error) {
  state().notice_handler = handler;
  state().notice_context = context;
  if (error != nullptr) error->code = 0;
  return 1;
}

int32_t ql_set_copy_streams(ql_handle, ql_copy_source source, void* source_context, ql_copy_sink sink,
                            void* sink_context, ClientError* error) {
  state().copy_source = source;
  state().copy_source_context = source_context;
  state().copy_sink = sink;
  state().copy_sink_context = sink_context;
  fake_ql::set_error(error, 0, "");
  return 1;
}

int32_t ql_set_exact(ql_handle, int32_t, ClientError* error) {
  if (error != nullptr) error->code = 0;
  return 1;
}

void ql_notice_to_stderr(const char* text, void*) { std::fprintf(stderr, "%s\n", text != nullptr ? text : ""); }

void ql_mfree(char* text) {
  if (text == nullptr) return;
  --state().outstanding;
  std::free(text);
}

void ql_close_cursor(ql_cursor cursor) {
  state().calls.push_back("close_cursor " + std::to_string(cursor));
  state().cursors.erase(cursor);
}

void ql_pool_close_cursor(ql_cursor cursor) {
  state().calls.push_back("pool_close_cursor " + std::to_string(cursor));
  state().cursors.erase(cursor);
}

void ql_close(ql_handle handle) { state().calls.push_back("close " + std::to_string(handle)); }

void ql_pool_close(ql_handle handle) {
  state().calls.push_back("pool_close " + std::to_string(handle));
}

}  // extern "C"
