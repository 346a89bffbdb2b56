// A session on a PostgreSQL server through libpq.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ql_client/core/session.h"

namespace ql {

class PgAsync;
class PgReader;

class PgSession final : public Session {
 public:
  static std::unique_ptr<Session> open(const OpenSettings& settings, Failure* failure);
  ~PgSession() override;

  // One statement in the simple protocol, streamed in single-row mode.
  Outcome run(const Request& request) override;
  bool in_transaction(Failure* failure) override;
  bool transaction_failed() override;
  std::optional<std::string> parameter_status(const std::string& name, Failure* failure) override;
  // Several statements sent at once in pipeline mode (pg_pipeline.cpp).
  void run_in_order(std::span<const Request* const> requests, std::span<Outcome* const> outcomes) override;

  // One statement of a pipeline (pg_pipeline.cpp).
  struct PipelineItem;

  // Statements sent without blocking (pg_async.cpp).
  std::unique_ptr<AsyncRunner> start_async(int32_t window, Limits limits, Failure* failure) override;

 private:
  friend class PgAsync;

  PgSession(PGconn* connection, const OpenSettings& settings);

  // run_in_order's pipeline (pg_pipeline.cpp), in three phases: send every
  // item with its sync point; read the results in order, stopping queries at
  // their answers limit; run again what a late cancel stopped by mistake.
  void run_pipeline(std::span<const Request* const> requests, std::span<Outcome* const> outcomes);
  bool send_pipeline(const std::vector<PipelineItem>& items, Outcome* scratch);
  bool shares_sync(const std::vector<PipelineItem>& items, size_t i) const;
  // Whether the session's transactions are read-only, so that plain reads
  // may share a sync point (the server reports the setting from version 14
  // on; older ones never share).
  bool reads_only() const;
  std::vector<size_t> read_pipeline(const std::vector<PipelineItem>& items, Outcome* scratch);
  void run_stopped_again(const std::vector<PipelineItem>& items, const std::vector<size_t>& stopped);
  // A pipeline that broke half-way: the session is lost, and the items from
  // `from` on fail with the lost-connection error.
  void fail_pipeline(const std::vector<PipelineItem>& items, size_t from);

  void interrupt() override;
  // Runs one statement in single-row mode into `outcome`.
  void execute(const Request& request, Outcome* outcome);
  // After an allocation failure in execute: frees the page, stops and
  // drains the statement. (A pipeline cut half-way marks the session lost
  // instead, in run_in_order.)
  void abandon(Outcome* outcome);
  // Runs a command of the library's own; false, with `outcome` failed, when
  // it failed.
  bool command(const char* text, Outcome* outcome);

  // Sends a cancel request for the running statement, unless the session
  // is inside a transaction block, which the cancel would abort: then the
  // rest of the result is read without being counted.
  void stop_statement(PgReader* reader, bool in_block);
  // Whether the session is inside a transaction block (between statements).
  bool in_block() const;
  // Sends or receives the COPY data that `result` announces, from and to
  // `streams` (null: refuses to send, drops what comes); nothing for any
  // other result (pg_copy.cpp).
  void copy_data(const PGresult* result, const CopyStreams* streams, Outcome* outcome);
  // Pulls the data from the source and ends the copy; false when libpq
  // failed to take it.
  bool send_copy_data(const CopyStreams* streams);
  // Hands the server's data to the sink; false when the copy broke.
  bool receive_copy_data(const CopyStreams* streams);
  // After a failure: when the connection is gone, marks the session lost
  // and records it in `outcome`. Returns true then.
  bool check_lost(Outcome* outcome);
  // Marks the session lost and records it in `outcome`.
  void lose(Outcome* outcome);
  // Switches client_encoding for a statement marked "{unicode}".
  bool set_encoding(bool utf8, Outcome* outcome);
  Outcome lost_outcome(const Request& request) const;

  PGconn* connection_;
  PGcancel* cancel_;
  std::shared_ptr<NoticeSink> notices_;
  bool utf8_;          // the session's client_encoding is UTF8
  bool lost_ = false;  // the connection is gone; every call fails with code 28
  std::string lost_message_;
};

// Whether a PostgreSQL server answers at host and port; see ql_list_db.
bool pg_answers(const std::string& host, const std::string& port, std::string* databases, Failure* failure);

// What a connection uses where neither its settings nor libpq's environment
// name the host, port or user; see ql_set_connect_defaults.
void set_connect_defaults(const std::string& host, const std::string& port, const std::string& user);

// The user of the last open refused with QL_ERR_PASSWORD; see ql_password_user.
std::string last_password_user();

}  // namespace ql
