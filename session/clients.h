// Independent clients (--clients=N): N sessions of their own, each running
// its share of the statements in order, with no barrier between them, up
// to --pipeline=D statements in flight on each.
//
// The statements are dealt out by units. A transaction block (BEGIN ...
// COMMIT, ROLLBACK or END) is one unit and runs whole on one client; every
// other statement is a unit of its own and goes to the client with the
// least waiting. A captured log's statements carry their original session:
// each original session runs on a client of its own while clients are
// left (--clients= caps them), and at its recorded times divided by
// --speed= when that is above 0.
//
// Thread rules: the main thread deals and records; a client's session is
// run by one thread only, an event loop that serves several clients
// (PostgreSQL, session/client_loop.h) or the client's own thread (SQLite),
// which hands back timings through the client's outbox; the main thread
// turns them into run_stats samples. Nothing of the clients is touched by
// the main thread's other records.
#pragma once

#include <cstdint>

#include "runtime/outcome.h"
#include "sqltext/statement_info.h"

namespace tarnwick {

// Where a statement came from in a captured log; all zero otherwise.
struct StatementOrigin {
  uint32_t session = 0;       // the original session; 0: none
  int64_t time_us = 0;        // its recorded start, microseconds since the epoch; 0: none
  bool session_ends = false;  // the original session ended after it
};

// Hands one statement to the clients (the text is copied). The first call
// opens the clients of a log without sessions; captured sessions open
// theirs as they first appear. Returns what ends the run: a client that
// lost its connection, a failure under --on-error=stop, or a connection
// that could not be opened.
Outcome deal_statement(const char* text, const sqltext::StatementInfo& info, const StatementOrigin& origin);

// Opens the clients of --clients= now, and waits until each has its
// session (or failed to get one, which the first statement then says):
// for runs whose first statement starts at a set time (--start-at=).
void open_clients();

// Waits until every client has run what it was dealt (with `cancel`,
// stops them at once instead), closes them and records what they did.
// Returns the same kinds of outcome as deal_statement.
Outcome finish_clients(bool cancel);

// The check deal_statement makes while it waits for a client to take
// more: true stops the run (a signal ended it). Set by the console.
void set_clients_stop_check(bool (*stop_requested)());

}  // namespace tarnwick
