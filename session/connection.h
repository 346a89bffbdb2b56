// The connection to the engine: opening and closing in single or pool mode,
// where the data of a COPY comes from, and report_error. The handle and the
// error record themselves live in runtime/client_error.h.
#pragma once

#include <string>

#include "ql_client/ql_client.h"

namespace tarnwick {

// Opens a connection (single mode) or a pool (pool mode) from the run
// settings, with the notice handler and the copy streams. Callers test
// client_error.code; the handle is returned either way.
ql_handle connect();

// The host, port and user of the run settings that the command line gave;
// "" for one it did not, which the engine then takes from its environment
// (PostgreSQL: PGHOST, PGPORT, PGUSER, a service), else from the run
// settings' defaults, handed to the library by hand_connect_defaults.
const char* given_host();
const char* given_port();
const char* given_user();
void hand_connect_defaults();

// The password of every later connect (asked for at a terminal when the
// server wants one); empty: none, the engine's environment may give one.
void set_password(const std::string& password);

// What opening one more session of the run takes, copied on the main
// thread so that other threads may open sessions with it.
struct SessionParams {
  std::string host, port, database, user, password;
  int32_t read_only = 1;
  int32_t page_size = 20;
  int32_t answers_limit = 1024;
  int32_t code_page = 0;
};
SessionParams session_params();
// Opens one session (any thread), with engine notices on standard error.
ql_handle open_session(const SessionParams& params, ClientError* error);

// Closes the handle when it is not 0, and sets it to 0.
void disconnect(ql_handle* handle);

// disconnect, then connect, storing the new handle. Reports nothing.
void reconnect(ql_handle* handle);

// Where the data of a "COPY ... FROM STDIN" comes from when the engine asks
// for it: the source the loop reads statements from now. Null: an empty
// copy. Part of the connection record: main thread only.
struct CopyFeed {
  ql_copy_source source = nullptr;
  void* context = nullptr;
};
// Sets the feed of the open connection and of every connection opened
// after it.
void set_copy_feed(CopyFeed feed);

// A replay log starts (true) or ends: the statements of the connection,
// and of any it reopens meanwhile, go to the server exactly as they are.
void set_replaying(bool on);

// The bytes of COPY ... TO STDOUT data written to standard output since the
// last call.
int64_t take_copy_out_bytes();

// Writes "Error : " and the client message (converted for a terminal) on
// standard output.
void report_error();

}  // namespace tarnwick
