// The C functions of ql_client.h: argument checks, the handle and cursor
// tables, and the hand-over to the connection and its sessions. Nothing
// thrown inside the library leaves these functions.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ql_client/core/connection.h"
#include "ql_client/core/id_table.h"
#include "ql_client/engines.h"
#include "ql_client/postgres/pg_session.h"
#include "ql_client/ql_client.h"

namespace ql {
namespace {

using Cursor = std::vector<Outcome>;

IdTable<Connection>& handles() {
  static IdTable<Connection> table;
  return table;
}

IdTable<Cursor>& cursors() {
  static IdTable<Cursor> table;
  return table;
}

// Runs `body`; anything it throws becomes a failure in `error` and the
// call answers `fallback`.
template <typename R, typename F>
R guarded(ClientError* error, R fallback, F body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    report(error, failure(QL_ERR_ENGINE, "out of memory"));
  } catch (const std::exception& e) {
    report(error, failure(QL_ERR_ENGINE, std::string("internal error: ") + e.what()));
  } catch (...) {
    report(error, failure(QL_ERR_ENGINE, "internal error"));
  }
  return fallback;
}

char* copy_text(const char* text, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) throw std::bad_alloc();
  if (length > 0) std::memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

char* copy_text(const std::string& text) { return copy_text(text.data(), text.size()); }

std::string or_empty(const char* text) { return text == nullptr ? std::string() : std::string(text); }

ql_handle open_connection(const char* host, const char* port, const char* database, const char* user,
                          const char* password, int32_t read_only, int32_t page_size, int32_t answers_limit,
                          int32_t code_page, int32_t sessions, ClientError* error,
                          std::vector<std::pair<std::string, std::string>> servers = {}) {
  return guarded<ql_handle>(error, 0, [&]() -> ql_handle {
    if (host == nullptr) {
      report(error, failure(QL_ERR_ARGUMENT, "no host given"));
      return 0;
    }
    if (code_page != 0 && code_page != 1) {
      report(error, failure(QL_ERR_ARGUMENT, "code page " + std::to_string(code_page) + " is neither 0 nor 1"));
      return 0;
    }
    if (sessions < 1) {
      report(error, failure(QL_ERR_ARGUMENT, "a pool needs at least one session"));
      return 0;
    }
    // Each session is a connection and a thread: an absurd count would
    // exhaust the machine (or the server) long before it opened.
    if (sessions > QL_MAX_SESSIONS) {
      report(error, failure(QL_ERR_ARGUMENT, "a pool has at most " + std::to_string(QL_MAX_SESSIONS) +
                                                 " sessions, not " + std::to_string(sessions)));
      return 0;
    }
    OpenSettings settings{or_empty(host),     or_empty(port), or_empty(database),
                          or_empty(user),     or_empty(password), read_only != 0,
                          {page_size, answers_limit}, code_page == 1};
    Failure failed;
    std::shared_ptr<Connection> connection = Connection::open(settings, sessions, open_session, &failed, servers);
    if (connection == nullptr) {
      report(error, failed);
      return 0;
    }
    ql_handle handle = handles().add(std::move(connection));
    report(error, handle == 0 ? failure(QL_ERR_ARGUMENT, "no handle left") : Failure{});
    return handle;
  });
}

std::shared_ptr<Connection> find_connection(ql_handle handle, ClientError* error) {
  std::shared_ptr<Connection> connection = handles().find(handle);
  if (connection == nullptr) {
    report(error, failure(QL_ERR_HANDLE, handle == 0 ? "not connected (handle 0)"
                                                     : "unknown handle " + std::to_string(handle)));
  }
  return connection;
}

Limits limits_for(const Connection& connection, int32_t page_size, int32_t answers_limit) {
  Limits limits = connection.settings().limits;
  if (page_size != 0) limits.page_size = page_size;
  if (answers_limit != 0) limits.answers_limit = answers_limit;
  return limits;
}

Failure null_text() { return failure(QL_ERR_ARGUMENT, "the statement text is null"); }

void fill_counts(const Outcome& outcome, int32_t* column_count, int32_t* row_count, int32_t* fetched_count) {
  if (column_count != nullptr) *column_count = outcome.columns();
  if (row_count != nullptr) *row_count = outcome.rows();
  if (fetched_count != nullptr) *fetched_count = outcome.fetched();
}

// Gives the requests the due times that ql_schedule_next set, once.
void take_schedule(Connection& connection, std::span<Request> requests) {
  for (size_t i = 0; i < requests.size() && i < connection.next_due_ns.size(); ++i) {
    requests[i].due_ns = connection.next_due_ns[i];
  }
  connection.next_due_ns.clear();
}

// Keeps the timings and errors of the call that just ran, for
// ql_last_timings and ql_last_entry_error. The records are reused from call
// to call: only a failure's message is copied.
void keep_entries(Connection& connection, std::span<const Outcome> outcomes) {
  connection.last_entries.resize(outcomes.size());
  for (size_t i = 0; i < outcomes.size(); ++i) {
    Connection::EntryRecord& record = connection.last_entries[i];
    record.started_ns = outcomes[i].started_ns();
    record.finished_ns = outcomes[i].finished_ns();
    record.session = connection.session_of(i, outcomes.size());
    record.failure = outcomes[i].failure();
  }
}

// Runs the n texts as one batch; null texts fail without reaching a session.
// Reports the first failure (or success) and returns the outcomes.
std::vector<Outcome> run_batch(Connection& connection, const char* const* texts, int32_t n, bool query,
                               Limits limits, ClientError* error, bool rows_if_any = false) {
  std::vector<Request> requests(n);
  std::vector<Outcome> outcomes;
  outcomes.reserve(n);
  for (int32_t i = 0; i < n; ++i) {
    outcomes.emplace_back(limits);
    requests[i].query = query;
    requests[i].rows_if_any = rows_if_any;
    requests[i].limits = limits;
    if (texts[i] == nullptr) {
      outcomes[i].fail(null_text());
    } else {
      requests[i].statement = read_statement(texts[i]);
    }
  }
  take_schedule(connection, requests);
  connection.run_batch(requests, outcomes);
  keep_entries(connection, outcomes);
  Failure first;
  for (const Outcome& outcome : outcomes) {
    if (outcome.failed()) {
      first = outcome.failure();
      break;
    }
  }
  report(error, first);
  return outcomes;
}

Failure check_batch(const char* const* texts, int32_t n) {
  if (texts == nullptr) return failure(QL_ERR_ARGUMENT, "the statement array is null");
  if (n < 1) return failure(QL_ERR_ARGUMENT, "a batch needs at least one statement");
  return {};
}

// The connection of a batch call, or null with the error set when the
// handle or the statement array is bad.
std::shared_ptr<Connection> batch_connection(ql_handle handle, const char* const* texts, int32_t n,
                                             ClientError* error) {
  std::shared_ptr<Connection> connection = find_connection(handle, error);
  if (connection == nullptr) return nullptr;
  if (Failure bad = check_batch(texts, n); bad.failed()) {
    report(error, bad);
    return nullptr;
  }
  return connection;
}

// The outcome of batch entry `entry` of `cursor`, or null with the error set.
const Outcome* find_entry(const std::shared_ptr<Cursor>& cursor, ql_cursor id, int32_t entry, ClientError* error) {
  if (cursor == nullptr) {
    report(error, failure(QL_ERR_CURSOR, id == 0 ? "no cursor (cursor 0)" : "unknown cursor " + std::to_string(id)));
    return nullptr;
  }
  if (entry < 0 || static_cast<size_t>(entry) >= cursor->size()) {
    report(error, failure(QL_ERR_RANGE, "batch entry " + std::to_string(entry) + " is out of range"));
    return nullptr;
  }
  return &(*cursor)[entry];
}

// The text of a cell where the cursor keeps it (null for NULL), or null
// with the error set.
const char* view(ql_cursor id, int32_t entry, int32_t row, int32_t column, size_t* length, ClientError* error) {
  *length = 0;
  return guarded<const char*>(error, nullptr, [&]() -> const char* {
    std::shared_ptr<Cursor> cursor = cursors().find(id);
    const Outcome* outcome = find_entry(cursor, id, entry, error);
    if (outcome == nullptr) return nullptr;
    const char* text = nullptr;
    if (!outcome->cell(row, column, &text, length)) {
      report(error, failure(QL_ERR_RANGE, "row " + std::to_string(row) + ", column " + std::to_string(column) +
                                              " is outside the fetched page"));
      return nullptr;
    }
    report(error, {});
    return text;
  });
}

char* fetch(ql_cursor id, int32_t entry, int32_t row, int32_t column, ClientError* error) {
  size_t length = 0;
  const char* text = view(id, entry, row, column, &length, error);
  if (text == nullptr) return nullptr;
  return guarded<char*>(error, nullptr, [&] { return copy_text(text, length); });
}

char* caption(ql_cursor id, int32_t entry, int32_t column, ClientError* error) {
  return guarded<char*>(error, nullptr, [&]() -> char* {
    std::shared_ptr<Cursor> cursor = cursors().find(id);
    const Outcome* outcome = find_entry(cursor, id, entry, error);
    if (outcome == nullptr) return nullptr;
    const std::string* caption = outcome->caption(column);
    if (caption == nullptr) {
      report(error, failure(QL_ERR_RANGE, "column " + std::to_string(column) + " is out of range"));
      return nullptr;
    }
    report(error, {});
    return copy_text(*caption);
  });
}

// Runs one statement as `request` says on the handle's session 0, with
// the handle's COPY streams unless the request brings its own; the
// outcome, or null with the error set when the handle or text is bad.
std::optional<Outcome> run_one(ql_handle handle, const char* text, Request request, ClientError* error) {
  std::shared_ptr<Connection> connection = find_connection(handle, error);
  if (connection == nullptr) return std::nullopt;
  if (text == nullptr) {
    report(error, null_text());
    return std::nullopt;
  }
  request.statement = read_statement(text);
  request.limits = connection->settings().limits;
  if (request.copy == nullptr) request.copy = &connection->copy_streams;
  take_schedule(*connection, {&request, 1});
  Outcome outcome = connection->run(request);
  keep_entries(*connection, {&outcome, 1});
  report(error, outcome.failure());
  return outcome;
}

// The data of ql_copy as a copy source: the buffer in pieces, then its
// end (at once for a second copy in the same text).
struct CopyBuffer {
  const char* data;
  int64_t left;
};

int32_t give_buffer(void* context, const char** data) {
  // Pieces keep libpq's output buffer small whatever the size of the data.
  constexpr int64_t kPiece = 64 * 1024;
  CopyBuffer* buffer = static_cast<CopyBuffer*>(context);
  int32_t piece = static_cast<int32_t>(std::min(buffer->left, kPiece));
  *data = buffer->data;
  buffer->data += piece;
  buffer->left -= piece;
  return piece;
}

// The runner of an async handle, or null with the error set.
AsyncRunner* find_runner(const std::shared_ptr<Connection>& connection, ql_handle handle, ClientError* error) {
  if (connection == nullptr) return nullptr;
  if (connection->async() == nullptr) {
    report(error, failure(QL_ERR_ARGUMENT, "ql_async_start was not called on handle " + std::to_string(handle)));
  }
  return connection->async();
}

}  // namespace
}  // namespace ql

using namespace ql;

extern "C" {

int32_t ql_list_db(const char* host, const char* port, char** databases, ClientError* error) {
  if (databases != nullptr) *databases = nullptr;
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    if (host == nullptr) {
      report(error, failure(QL_ERR_ARGUMENT, "no host given"));
      return 0;
    }
    std::string list;
    Failure failed;
    bool answered = engine_answers(host, or_empty(port), &list, &failed);
    report(error, failed);
    if (answered && databases != nullptr && !list.empty()) *databases = copy_text(list);
    return answered ? 1 : 0;
  });
}

ql_handle ql_open(const char* host, const char* port, const char* database, const char* user,
                  const char* password, const char* /*default_language*/, int32_t read_only, int32_t page_size,
                  int32_t answers_limit, int32_t code_page, ClientError* error) {
  return open_connection(host, port, database, user, password, read_only, page_size, answers_limit, code_page, 1,
                         error);
}

ql_handle ql_pool_open(const char* host, const char* port, const char* database, const char* user,
                       const char* password, const char* /*default_language*/, int32_t read_only,
                       int32_t page_size, int32_t answers_limit, int32_t code_page, int32_t sessions,
                       ClientError* error) {
  return open_connection(host, port, database, user, password, read_only, page_size, answers_limit, code_page,
                         sessions, error);
}

ql_handle ql_pool_open_spread(const char* const* hosts, const char* const* ports, int32_t n, const char* database,
                              const char* user, const char* password, int32_t read_only, int32_t page_size,
                              int32_t answers_limit, int32_t code_page, int32_t sessions, ClientError* error) {
  if (hosts == nullptr || n < 1) {
    if (error != nullptr) *error = ClientError{};
    report(error, failure(QL_ERR_ARGUMENT, "no hosts to spread the pool over"));
    return 0;
  }
  std::vector<std::pair<std::string, std::string>> servers;
  for (int32_t i = 0; i < n; ++i) {
    servers.emplace_back(or_empty(hosts[i]), ports != nullptr ? or_empty(ports[i]) : "");
  }
  return open_connection(servers[0].first.c_str(), servers[0].second.c_str(), database, user, password, read_only,
                         page_size, answers_limit, code_page, sessions, error, servers);
}

ql_cursor ql_query(ql_handle handle, const char* text, int32_t* column_count, int32_t* row_count,
                   int32_t* fetched_count, int32_t page_size, int32_t answers_limit, ClientError* error) {
  fill_counts(Outcome(), column_count, row_count, fetched_count);
  if (row_count != nullptr) *row_count = -1;
  return guarded<ql_cursor>(error, 0, [&]() -> ql_cursor {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    if (text == nullptr) {
      report(error, null_text());
      return 0;
    }
    Request request{read_statement(text), true, limits_for(*connection, page_size, answers_limit)};
    take_schedule(*connection, {&request, 1});
    auto cursor = std::make_shared<Cursor>();
    cursor->push_back(connection->run(request));
    keep_entries(*connection, *cursor);
    const Outcome& outcome = cursor->front();
    fill_counts(outcome, column_count, row_count, fetched_count);
    if (outcome.failed()) {
      report(error, outcome.failure());
      return 0;
    }
    ql_cursor id = cursors().add(std::move(cursor));
    report(error, id == 0 ? failure(QL_ERR_ARGUMENT, "no cursor left") : Failure{});
    return id;
  });
}

int32_t ql_do(ql_handle handle, const char* text, ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    std::optional<Outcome> outcome = run_one(handle, text, Request{}, error);
    return outcome ? outcome->affected() : -1;
  });
}

ql_cursor ql_run(ql_handle handle, const char* text, int32_t* column_count, int32_t* row_count,
                 int32_t* fetched_count, ClientError* error) {
  fill_counts(Outcome(), column_count, row_count, fetched_count);
  if (row_count != nullptr) *row_count = -1;
  return guarded<ql_cursor>(error, 0, [&]() -> ql_cursor {
    Request request;
    request.rows_if_any = true;
    std::optional<Outcome> outcome = run_one(handle, text, request, error);
    if (!outcome || outcome->failed()) return 0;
    if (!outcome->has_rows()) {
      if (row_count != nullptr) *row_count = outcome->affected();
      return 0;
    }
    fill_counts(*outcome, column_count, row_count, fetched_count);
    auto cursor = std::make_shared<Cursor>();
    cursor->push_back(std::move(*outcome));
    ql_cursor id = cursors().add(std::move(cursor));
    report(error, id == 0 ? failure(QL_ERR_ARGUMENT, "no cursor left") : Failure{});
    return id;
  });
}

int32_t ql_copy(ql_handle handle, const char* text, const char* data, int64_t length, ql_copy_sink sink,
                void* context, ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    if (data == nullptr && length != 0) {
      report(error, failure(QL_ERR_ARGUMENT, "the copy data is null"));
      return -1;
    }
    CopyBuffer buffer{data, length < 0 ? 0 : length};
    CopyStreams streams{give_buffer, &buffer, sink, context};
    Request request;
    request.copy = &streams;
    std::optional<Outcome> outcome = run_one(handle, text, request, error);
    return outcome ? outcome->affected() : -1;
  });
}

int32_t ql_set_exact(ql_handle handle, int32_t exact, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    connection->set_exact(exact != 0);
    report(error, {});
    return 1;
  });
}

int32_t ql_set_copy_streams(ql_handle handle, ql_copy_source source, void* source_context, ql_copy_sink sink,
                            void* sink_context, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    connection->copy_streams = CopyStreams{source, source_context, sink, sink_context};
    report(error, {});
    return 1;
  });
}

ql_cursor ql_pool_query(ql_handle handle, const char* const* texts, int32_t n, int32_t* column_counts,
                        int32_t* row_counts, int32_t* fetched_counts, int32_t page_size, int32_t answers_limit,
                        ClientError* error) {
  return guarded<ql_cursor>(error, 0, [&]() -> ql_cursor {
    std::shared_ptr<Connection> connection = batch_connection(handle, texts, n, error);
    if (connection == nullptr) return 0;
    Limits limits = limits_for(*connection, page_size, answers_limit);
    auto cursor = std::make_shared<Cursor>(run_batch(*connection, texts, n, true, limits, error));
    for (int32_t i = 0; i < n; ++i) {
      fill_counts((*cursor)[i], column_counts ? &column_counts[i] : nullptr, row_counts ? &row_counts[i] : nullptr,
                  fetched_counts ? &fetched_counts[i] : nullptr);
    }
    ql_cursor id = cursors().add(std::move(cursor));
    if (id == 0) report(error, failure(QL_ERR_ARGUMENT, "no cursor left"));
    return id;
  });
}

int32_t ql_pool_do(ql_handle handle, const char* const* texts, int32_t n, int32_t* affected_counts,
                   ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = batch_connection(handle, texts, n, error);
    if (connection == nullptr) return -1;
    std::vector<Outcome> outcomes = run_batch(*connection, texts, n, false, connection->settings().limits, error);
    int32_t failed = 0;
    for (int32_t i = 0; i < n; ++i) {
      if (affected_counts != nullptr) affected_counts[i] = outcomes[i].affected();
      if (outcomes[i].failed()) ++failed;
    }
    return failed;
  });
}

ql_cursor ql_pool_run(ql_handle handle, const char* const* texts, int32_t n, int32_t* column_counts,
                      int32_t* row_counts, int32_t* fetched_counts, int32_t* returns_rows, ClientError* error) {
  return guarded<ql_cursor>(error, 0, [&]() -> ql_cursor {
    std::shared_ptr<Connection> connection = batch_connection(handle, texts, n, error);
    if (connection == nullptr) return 0;
    auto cursor = std::make_shared<Cursor>(
        run_batch(*connection, texts, n, false, connection->settings().limits, error, true));
    for (int32_t i = 0; i < n; ++i) {
      const Outcome& outcome = (*cursor)[i];
      bool rows = outcome.has_rows();
      if (returns_rows != nullptr) returns_rows[i] = rows ? 1 : 0;
      fill_counts(outcome, column_counts ? &column_counts[i] : nullptr, row_counts ? &row_counts[i] : nullptr,
                  fetched_counts ? &fetched_counts[i] : nullptr);
      if (!rows && row_counts != nullptr) row_counts[i] = outcome.affected();
    }
    bool any_rows = std::any_of(cursor->begin(), cursor->end(), [](const Outcome& o) { return o.has_rows(); });
    if (!any_rows) return 0;
    ql_cursor id = cursors().add(std::move(cursor));
    if (id == 0) report(error, failure(QL_ERR_ARGUMENT, "no cursor left"));
    return id;
  });
}

char* ql_column_caption(ql_cursor cursor, int32_t column, ClientError* error) {
  return caption(cursor, 0, column, error);
}

char* ql_pool_caption(ql_cursor cursor, int32_t entry, int32_t column, ClientError* error) {
  return caption(cursor, entry, column, error);
}

char* ql_column_value(ql_cursor cursor, int32_t row, int32_t column, ClientError* error) {
  return fetch(cursor, 0, row, column, error);
}

char* ql_pool_fetch(ql_cursor cursor, int32_t entry, int32_t row, int32_t column, ClientError* error) {
  return fetch(cursor, entry, row, column, error);
}

const char* ql_pool_view(ql_cursor cursor, int32_t entry, int32_t row, int32_t column, int64_t* length,
                         ClientError* error) {
  size_t bytes = 0;
  const char* text = view(cursor, entry, row, column, &bytes, error);
  if (length != nullptr) *length = static_cast<int64_t>(bytes);
  return text;
}

int32_t ql_transaction_state(ql_handle handle, ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return -1;
    Failure failed;
    bool open = connection->in_transaction(&failed);
    report(error, failed);
    if (failed.failed()) return -1;
    if (!open) return 0;
    return connection->transaction_failed() ? 2 : 1;
  });
}

int32_t ql_in_transaction(ql_handle handle, ClientError* error) {
  int32_t state = ql_transaction_state(handle, error);
  return state > 0 ? 1 : state;
}

void ql_set_connect_defaults(const char* host, const char* port, const char* user) {
  try {
    set_connect_defaults(or_empty(host), or_empty(port), or_empty(user));
  } catch (...) {  // out of memory: the defaults stay as they were
  }
}

char* ql_password_user(void) {
  try {
    return copy_text(last_password_user());
  } catch (...) {
    return nullptr;
  }
}

char* ql_parameter_status(ql_handle handle, const char* name, ClientError* error) {
  return guarded<char*>(error, nullptr, [&]() -> char* {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return nullptr;
    if (name == nullptr) {
      report(error, failure(QL_ERR_ARGUMENT, "the setting name is null"));
      return nullptr;
    }
    Failure failed;
    std::optional<std::string> value = connection->parameter_status(name, &failed);
    report(error, failed);
    return value ? copy_text(*value) : nullptr;
  });
}

int32_t ql_last_timings(ql_handle handle, ql_entry_timing* timings, int32_t n) {
  return guarded<int32_t>(nullptr, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = handles().find(handle);
    if (connection == nullptr || timings == nullptr || n < 1) return 0;
    const std::vector<Connection::EntryRecord>& entries = connection->last_entries;
    int32_t count = static_cast<int32_t>(std::min<size_t>(entries.size(), static_cast<size_t>(n)));
    for (int32_t i = 0; i < count; ++i) {
      timings[i] = {entries[i].started_ns, entries[i].finished_ns, entries[i].session, entries[i].failure.code};
    }
    return count;
  });
}

void ql_last_entry_error(ql_handle handle, int32_t entry, ClientError* error) {
  guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    if (entry < 0 || static_cast<size_t>(entry) >= connection->last_entries.size()) {
      report(error, failure(QL_ERR_RANGE, "entry " + std::to_string(entry) + " is out of range"));
      return 0;
    }
    report(error, connection->last_entries[entry].failure);
    return 0;
  });
}

int32_t ql_schedule_next(ql_handle handle, const int64_t* due_ns, int32_t n, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    if (due_ns == nullptr || n < 1) {
      report(error, failure(QL_ERR_ARGUMENT, "a schedule needs at least one due time"));
      return 0;
    }
    connection->next_due_ns.assign(due_ns, due_ns + n);
    report(error, {});
    return 1;
  });
}

void ql_cancel(ql_handle handle) {
  try {
    std::shared_ptr<Connection> connection = handles().find(handle);
    if (connection != nullptr) connection->cancel();
  } catch (...) {  // nothing leaves a C function
  }
}

int32_t ql_set_notice_handler(ql_handle handle, ql_notice_handler handler, void* context, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    connection->settings().notices->set(handler, context);
    report(error, {});
    return 1;
  });
}

void ql_notice_to_stderr(const char* text, void* /*context*/) {
  try {
    write_notice_line(text == nullptr ? "" : text);
  } catch (...) {  // nothing leaves a C function
  }
}

int32_t ql_async_start(ql_handle handle, int32_t window, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    if (connection == nullptr) return 0;
    if (window < 1) {
      report(error, failure(QL_ERR_ARGUMENT, "a window holds at least one statement"));
      return 0;
    }
    Failure failed;
    bool started = connection->start_async(window, &failed);
    report(error, failed);
    return started ? 1 : 0;
  });
}

int32_t ql_async_prepare(ql_handle handle, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    AsyncRunner* runner = find_runner(connection, handle, error);
    if (runner == nullptr) return 0;
    if (!runner->prepare_repeated()) {
      report(error, failure(QL_ERR_ARGUMENT, "this engine has no prepared statements to run"));
      return 0;
    }
    report(error, {});
    return 1;
  });
}

int32_t ql_async_send(ql_handle handle, const char* text, int64_t tag, ClientError* error) {
  return guarded<int32_t>(error, 0, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    AsyncRunner* runner = find_runner(connection, handle, error);
    if (runner == nullptr) return 0;
    if (text == nullptr) {
      report(error, null_text());
      return 0;
    }
    if (!runner->send(text, tag)) {
      report(error, failure(QL_ERR_RANGE, "the window is full: take a finished statement first"));
      return 0;
    }
    report(error, {});
    return 1;
  });
}

int32_t ql_async_wait(ql_handle handle, int32_t* events) {
  return guarded<int32_t>(nullptr, -1, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = handles().find(handle);
    AsyncRunner* runner = connection != nullptr ? connection->async() : nullptr;
    if (runner == nullptr) return -1;
    if (events != nullptr) *events = runner->events();
    return runner->socket();
  });
}

int32_t ql_async_work(ql_handle handle, ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    AsyncRunner* runner = find_runner(connection, handle, error);
    if (runner == nullptr) return -1;
    report(error, {});
    return runner->work();
  });
}

int32_t ql_async_next(ql_handle handle, ql_async_done* done, ClientError* error) {
  return guarded<int32_t>(error, -1, [&]() -> int32_t {
    std::shared_ptr<Connection> connection = find_connection(handle, error);
    AsyncRunner* runner = find_runner(connection, handle, error);
    if (runner == nullptr || done == nullptr) {
      if (runner != nullptr) report(error, failure(QL_ERR_ARGUMENT, "no record for the finished statement"));
      return -1;
    }
    AsyncDone finished;
    if (!runner->next(&finished)) {
      report(error, {});
      return 0;
    }
    *done = {finished.tag, finished.started_ns, finished.finished_ns};
    report(error, finished.failure);
    return 1;
  });
}

void ql_mfree(char* text) { std::free(text); }

void ql_close_cursor(ql_cursor cursor) { cursors().remove(cursor); }

void ql_pool_close_cursor(ql_cursor cursor) { cursors().remove(cursor); }

void ql_close(ql_handle handle) { handles().remove(handle); }

void ql_pool_close(ql_handle handle) { handles().remove(handle); }

}  // extern "C"
