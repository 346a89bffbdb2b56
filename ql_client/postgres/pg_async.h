// PgAsync: the statements of one PostgreSQL session sent without blocking
// (ql_async_*), with up to `window` of them on their way. Outside
// transaction blocks they go in pipeline mode, each with its own sync point,
// the next sent as soon as there is room; what a pipeline cannot carry goes
// alone in the simple protocol, once everything before it has finished,
// with the savepoint and encoding switches that PgSession::run puts around
// it. Nothing here waits on the socket: the caller polls it.
#pragma once

#include <libpq-fe.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ql_client/core/async_runner.h"
#include "ql_client/core/session.h"
#include "ql_client/postgres/pg_prepared.h"
#include "ql_client/postgres/pg_reader.h"

namespace ql {

class PgSession;

class PgAsync final : public AsyncRunner {
 public:
  PgAsync(PgSession& session, int32_t window, Limits limits);
  ~PgAsync() override;

  bool send(std::string_view text, int64_t tag) override;
  int socket() const override;
  int32_t events() override;
  int32_t work() override;
  bool next(AsyncDone* done) override;
  size_t accepted() const override { return entries_.size(); }
  void to_blocking() override;
  bool prepare_repeated() override;

 private:
  struct Entry;
  // The steps of a statement that goes alone, in order; each that applies
  // is one command on the wire.
  enum class Step { none, encoding_on, savepoint, statement, savepoint_end, encoding_off, finished };

  // Sends what may go now, in order.
  void pump();
  // `reads_only`: the session's transactions are read-only, so that plain
  // reads may share a sync point.
  void send_pipelined(Entry& entry, int64_t now, bool reads_only);
  // An entry at the end of entries_, reused when one is spare.
  Entry& fresh_entry();
  // Moves an entry that goes alone to its next step that applies.
  void advance(Entry& entry);
  const char* step_command(const Entry& entry) const;
  void read_results();
  void take_pipelined(Entry& entry, PGresult* result);
  // A sync point's result; false when it has not arrived.
  bool take_sync(PGresult* result);
  // Whether no statement is on the wire behind the head.
  bool last_on_wire() const;
  // Ends the group of plain reads that share a sync point, if one is open.
  void close_group();
  // What a call ends with: the group of plain reads is closed and sent
  // when no sync point is on its way; while one is, it grows, unsent, and
  // goes in one write with its sync point once that one is back (up to a
  // window of reads), rather than a write and an answer per read.
  void end_round();
  void sync();
  void take_alone(Entry& entry, PGresult* result);
  // The results of the entry now at the head of the wire come next.
  void read_head();
  void take_copy(Entry& entry, const PGresult* result);
  void finish(Entry& entry);
  // Keeps the message of an error that ends the session (FATAL, PANIC):
  // libpq's own, once the connection is gone, may have lost it.
  void note_fatal(const PGresult* result);
  std::string lost_message() const;
  // The connection broke: every entry not finished fails with it.
  void lose(const std::string& message);
  void flush();
  // Sends the next shape to prepare when the session is outside any
  // transaction block and nothing sent before it still has to go.
  void send_prepare();
  // Picks the prepared statement an entry runs as, if any.
  void use_prepared(Entry& entry);
  void take_prepare(PGresult* result);

  PgSession& session_;
  PGconn* connection_;
  const size_t window_;
  const Limits limits_;
  std::vector<std::unique_ptr<Entry>> owned_;  // every entry made, at most a window
  std::vector<Entry*> spare_;
  std::deque<Entry*> entries_;  // accepted and not taken, in order
  std::deque<Entry*> unsent_;  // to be sent, in order
  std::deque<Entry*> again_;   // to be sent again, before the others
  // Sent and not finished, in order, with a null for each sync point.
  std::deque<Entry*> wire_;
  std::vector<Entry*> answered_;  // results in, their sync point not yet
  size_t group_ = 0;  // plain reads sent since the last sync point
  size_t syncs_on_wire_ = 0;
  std::optional<PgReader> reader_;  // reads the results of wire_.front()
  int32_t finished_ = 0;       // entries finished and not taken
  bool wants_write_ = false;   // libpq holds output the socket did not take
  std::string last_fatal_;
  int64_t read_ns_ = 0;  // when the results being read came in
  // Prepared statements (prepare_repeated): the shapes, the one being
  // prepared and its answer, and the entries not yet sent that drop every
  // prepared statement (no shape is prepared before they have gone).
  std::optional<PgPrepared> prepared_;
  bool standard_strings_ = false;
  Entry* prepare_marker_ = nullptr;  // on the wire in place of an entry
  std::optional<PgPrepared::Queued> preparing_;
  bool prepare_ok_ = false;
  int32_t drops_unsent_ = 0;
};

}  // namespace ql
