// A session on an embedded SQLite database.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ql_client/core/session.h"

namespace ql {

struct WriteTurn;

class SqliteSession final : public Session {
 public:
  // Opens the database file `path`; ":memory:" is the process's shared
  // in-memory database.
  static std::unique_ptr<Session> open(const std::string& path, const OpenSettings& settings, Failure* failure);
  ~SqliteSession() override;

  // Runs every statement of the text in order; the last one is the outcome.
  Outcome run(const Request& request) override;
  // Open between BEGIN and its end: SQLite is out of autocommit mode.
  bool in_transaction(Failure* failure) override;
  // SQLite reports no settings.
  std::optional<std::string> parameter_status(const std::string&, Failure*) override { return std::nullopt; }

 private:
  SqliteSession(sqlite3* database, bool utf8, std::shared_ptr<WriteTurn> turn)
      : database_(database), utf8_(utf8), turn_(std::move(turn)) {}

  // Waits for this session's turn on the database; false when another
  // session kept it past the busy timeout (its transaction stayed open).
  bool take_turn();
  // Gives the turn back unless a transaction is open on this session.
  void end_turn();

  // The sessions on the shared in-memory database: the first one to open
  // while none is, holds it in exclusive locking mode until another opens.
  void join_memory_database();
  void leave_memory_database();
  // Switches the sole holder back to normal locking and lets its lock go.
  void share_memory_database();

  // sqlite3_interrupt: the running step fails with "interrupted".
  void interrupt() override { sqlite3_interrupt(database_); }

  // Steps one prepared statement into `outcome`; false when it failed.
  bool step(sqlite3_stmt* statement, const Request& request, bool utf8, Outcome* outcome);
  // The database's last message, in the statement's encoding.
  std::string message(bool utf8) const;

  sqlite3* database_;
  bool utf8_;  // the program's texts are UTF-8; otherwise Latin-1 both ways
  bool on_memory_database_ = false;
  // Held while a statement runs, and by another session's opening thread
  // while it makes this one share the in-memory database: one thread at a
  // time uses the SQLite connection.
  std::mutex in_use_;
  // The sessions of the process on one database file take turns: one runs
  // its statement (or its open transaction) while the others wait here,
  // instead of each failing to lock the file and sleeping in SQLite's busy
  // handler, which made a pool of many writers far slower than one.
  std::shared_ptr<WriteTurn> turn_;
};

// Whether `path` opens as a database; see ql_list_db. The list is "main".
bool sqlite_answers(const std::string& path, std::string* databases, Failure* failure);

}  // namespace ql
