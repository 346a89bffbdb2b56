#include "session/connection.h"

#include <string>
#include <vector>

#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/host_list.h"

namespace tarnwick {

namespace {

// Called on the thread that runs the statement, pool threads included: it
// writes the text through a raw write and reads no process-wide record.
void write_engine_notice(const char* text, void*) { write_notice(text); }

// Where COPY data comes from, and how many bytes of COPY ... TO STDOUT data
// the statement running now wrote (main thread only).
CopyFeed copy_feed;
int64_t copy_out_bytes = 0;

// No feed: the copy gets no data.
int32_t no_copy_data(void*, const char**) { return 0; }

// The data of a COPY ... TO STDOUT is a result: suppressed with the tables.
void write_copy_out(void*, const char* data, int32_t length) {
  copy_out_bytes += length;
  if (!settings.suppress_results) out_bytes(data, static_cast<size_t>(length));
}

void apply_copy_feed(ql_handle handle) {
  if (handle == 0) return;
  ql_copy_source source = copy_feed.source != nullptr ? copy_feed.source : no_copy_data;
  ql_set_copy_streams(handle, source, copy_feed.context, write_copy_out, nullptr, nullptr);
}

// A pool's batches, like independent clients, play a log or a load: their
// statements go to the server exactly as they are; so do a replay log's
// statements on a single session. Scripts and the terminal keep the
// library's savepoint around a statement stopped inside a block.
void apply_exact(ql_handle handle) {
  if (handle != 0) ql_set_exact(handle, !single_mode() || run_state.replaying ? 1 : 0, nullptr);
}

}  // namespace

// Set when a password was typed at the prompt (main thread only).
static std::string typed_password;

const char* given_host() { return settings.host_given ? settings.host.narrow(0) : ""; }
const char* given_port() { return settings.port_given ? settings.port.narrow(0) : ""; }
const char* given_user() { return settings.user_given ? settings.user.narrow(0) : ""; }

void hand_connect_defaults() {
  static const RunSettings defaults;
  ql_set_connect_defaults(defaults.host.narrow(0), defaults.port.narrow(0), defaults.user.narrow(0));
}

void set_password(const std::string& password) { typed_password = password; }

ql_handle connect() {
  hand_connect_defaults();
  const char* host = given_host();
  const char* port = given_port();
  const char* user = given_user();
  const char* language = settings.default_language.c_str();
  int32_t read_only = settings.read_only ? 1 : 0;
  // psql's \connect names a database; else --dbname=; else the engine's default.
  const std::string& named = run_state.database.empty() ? settings.database : run_state.database;
  const char* database = named.empty() ? nullptr : named.c_str();
  const char* password = typed_password.c_str();
  ql_handle handle;
  if (single_mode()) {
    handle = ql_open(host, port, database, user, password, language, read_only, settings.page_size,
                     settings.answers_limit, settings.code_page, &client_error);
  } else if (settings.spread_hosts) {
    // Session i of the pool on server i of --host='s list, in turn.
    std::vector<std::string> hosts, ports;
    const size_t servers = server_count(host, port);
    if (run_stats.servers.size() != servers) run_stats.servers.assign(servers, HostRow());  // kept over reconnects
    for (size_t i = 0; i < servers; ++i) {
      std::string one_host = host, one_port = port;
      pick_server(&one_host, &one_port, i, &run_stats.servers[i].host);
      hosts.push_back(one_host);
      ports.push_back(one_port);
    }
    std::vector<const char*> host_texts, port_texts;
    for (size_t i = 0; i < servers; ++i) {
      host_texts.push_back(hosts[i].c_str());
      port_texts.push_back(ports[i].c_str());
    }
    handle = ql_pool_open_spread(host_texts.data(), port_texts.data(), static_cast<int32_t>(servers), database, user,
                                 password, read_only, settings.page_size, settings.answers_limit,
                                 settings.code_page, settings.sessions, &client_error);
  } else {
    handle = ql_pool_open(host, port, database, user, password, language, read_only, settings.page_size,
                          settings.answers_limit, settings.code_page, settings.sessions, &client_error);
  }
  // The engine's notices go to standard error as they come (null record:
  // the open's outcome stays in client_error).
  if (handle != 0) ql_set_notice_handler(handle, write_engine_notice, nullptr, nullptr);
  apply_copy_feed(handle);
  apply_exact(handle);
  return handle;
}

SessionParams session_params() {
  hand_connect_defaults();
  SessionParams params;
  params.host = given_host();
  params.port = given_port();
  params.user = given_user();
  params.database = run_state.database.empty() ? settings.database : run_state.database;
  params.password = typed_password;
  params.read_only = settings.read_only ? 1 : 0;
  params.page_size = settings.page_size;
  params.answers_limit = settings.answers_limit;
  params.code_page = settings.code_page;
  return params;
}

ql_handle open_session(const SessionParams& params, ClientError* error) {
  ql_handle handle = ql_open(params.host.c_str(), params.port.c_str(),
                             params.database.empty() ? nullptr : params.database.c_str(), params.user.c_str(),
                             params.password.c_str(), "", params.read_only, params.page_size, params.answers_limit,
                             params.code_page, error);
  if (handle != 0) {
    ql_set_notice_handler(handle, write_engine_notice, nullptr, nullptr);
    ql_set_exact(handle, 1, nullptr);  // independent clients play a log or a load
  }
  return handle;
}

void disconnect(ql_handle* handle) {
  if (*handle != 0) {
    if (single_mode()) {
      ql_close(*handle);
    } else {
      ql_pool_close(*handle);
    }
  }
  *handle = 0;
}

void reconnect(ql_handle* handle) {
  disconnect(handle);
  *handle = connect();
}

int64_t take_copy_out_bytes() {
  int64_t bytes = copy_out_bytes;
  copy_out_bytes = 0;
  return bytes;
}

void set_copy_feed(CopyFeed feed) {
  copy_feed = feed;
  apply_copy_feed(connection);
}

void set_replaying(bool on) {
  run_state.replaying = on;
  apply_exact(connection);
}

void report_error() {
  client_error.text[sizeof client_error.text - 1] = '\0';
  if (output_is_console) text_to_console(client_error.text, sizeof client_error.text);
  message_line("Error : ", client_error.text);
  end_statement_output();
}

}  // namespace tarnwick
