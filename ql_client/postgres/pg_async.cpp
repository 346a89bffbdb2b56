#include "ql_client/postgres/pg_async.h"

#include <string_view>

#include "ql_client/postgres/pg_session.h"
#include "sqltext/literals.h"
#include "sqltext/statement_info.h"

namespace ql {

struct PgAsync::Entry {
  int64_t tag = 0;
  std::string text;  // as the engine is to see it, without the marker
  Request request;   // its statement is a view of `text`, read once when it is sent
  Outcome outcome;
  int64_t started_ns = 0;
  int64_t finished_ns = 0;
  bool alone = false;  // goes in the simple protocol, nothing beside it
  bool done = false;
  // Pipelined: it shared a sync point with one that failed before it, so
  // it did not run; it runs again with a sync point of its own.
  bool again = false;
  bool own_sync = false;
  // Alone: the step on the wire; the encoding switched for it; a savepoint
  // set before it; a transaction block open when it started.
  Step step = Step::none;
  bool switched = false;
  bool guarded = false;
  bool in_block = false;
  // Run as this prepared statement with these values, when a name is set.
  std::string prepared_name;
  PgParameters parameters;
  std::vector<const char*> values;
  bool drops_prepared = false;
  // A select of literals: one small row, read without single-row mode.
  bool one_row = false;
};

namespace {

constexpr const char* kToUtf8 = "set client_encoding to 'UTF8'";
constexpr const char* kToLatin1 = "set client_encoding to 'LATIN1'";
constexpr const char* kSavepoint = "savepoint tarnwick_limit";
constexpr const char* kRollbackToSavepoint = "rollback to savepoint tarnwick_limit; release savepoint tarnwick_limit";
constexpr const char* kReleaseSavepoint = "release savepoint tarnwick_limit";

// Statements a pipeline cannot carry (a pipelined statement must hold one
// statement only): those that open a transaction block (inside one, a
// statement stopped at the answers limit needs a savepoint around it, set
// one step at a time) and COPY, whose data goes beside it.
bool goes_alone(const sqltext::StatementInfo& info) {
  return info.several || info.keyword == sqltext::Keyword::begin || info.keyword == sqltext::Keyword::start ||
         info.copy;
}

}  // namespace

std::unique_ptr<AsyncRunner> PgSession::start_async(int32_t window, Limits limits, Failure* failure) {
  if (lost_) {
    *failure = ql::failure(QL_ERR_LOST, lost_message_);
    return nullptr;
  }
  return std::make_unique<PgAsync>(*this, window, limits);
}

PgAsync::PgAsync(PgSession& session, int32_t window, Limits limits)
    : session_(session), connection_(session.connection_), window_(static_cast<size_t>(window)), limits_(limits) {}

PgAsync::~PgAsync() = default;

bool PgAsync::prepare_repeated() {
  if (prepared_.has_value()) return true;
  prepared_.emplace();
  const char* setting = PQparameterStatus(connection_, "standard_conforming_strings");
  standard_strings_ = setting != nullptr && std::string_view(setting) == "on";
  owned_.push_back(std::make_unique<Entry>());
  prepare_marker_ = owned_.back().get();
  prepare_marker_->alone = true;  // no rows to read, nothing in single-row mode
  return true;
}

PgAsync::Entry& PgAsync::fresh_entry() {
  if (spare_.empty()) {
    owned_.push_back(std::make_unique<Entry>());
    spare_.push_back(owned_.back().get());
  }
  Entry* entry = spare_.back();
  spare_.pop_back();
  // Reused: its text keeps its room.
  entry->started_ns = entry->finished_ns = 0;
  entry->alone = entry->done = entry->again = entry->own_sync = false;
  entry->step = Step::none;
  entry->switched = entry->guarded = entry->in_block = false;
  entry->prepared_name.clear();
  entry->drops_prepared = false;
  entry->one_row = false;
  entries_.push_back(entry);
  return *entry;
}

bool PgAsync::send(std::string_view text, int64_t tag) {
  if (entries_.size() >= window_) return false;
  session_.clear_cancel();
  Entry& entry = fresh_entry();
  StatementText statement = read_statement(text, standard_strings_);
  entry.tag = tag;
  entry.text.assign(statement.text);
  statement.text = entry.text;
  entry.request.statement = statement;
  entry.request.limits = limits_;
  entry.outcome = Outcome(limits_);
  if (session_.lost_) {
    entry.outcome.lose(session_.lost_message_);
    finish(entry);
    return true;
  }
  // Nothing but ";" and blanks: the answer is known without a round trip.
  if (entry.text.find_first_not_of(" \t\r\n;") == std::string::npos) {
    entry.outcome.fail(failure(QL_ERR_EMPTY, "empty statement"));
    entry.started_ns = monotonic_ns();
    finish(entry);
    return true;
  }
  // A "{unicode}" statement on a Latin-1 session goes alone, between
  // encoding switches, and as text.
  const bool switches = statement.utf8 && !session_.utf8_;
  entry.alone = window_ == 1 || switches || goes_alone(entry.request.statement.info);
  entry.one_row = !entry.alone && entry.request.statement.info.literal_row;
  if (prepared_.has_value() && !switches) use_prepared(entry);
  // Sent by the next events or work, together with what else came: one
  // write for all.
  unsent_.push_back(&entry);
  return true;
}

void PgAsync::use_prepared(Entry& entry) {
  // A statement prepared as it stands needs no parametrizing.
  if (drops_unsent_ == 0) {
    if (const std::string* name = prepared_->lookup_exact(entry.text)) {
      entry.prepared_name = *name;
      entry.values.clear();
      return;
    }
  }
  // A statement the parametrizer takes is one SELECT, INSERT, UPDATE,
  // DELETE, WITH or VALUES, so never a DISCARD or DEALLOCATE: only the
  // others are looked at for those.
  const bool shaped = sqltext::parametrize(entry.text, standard_strings_, &entry.parameters);
  if (!shaped && entry.request.statement.info.drops_prepared) {
    prepared_->forget();
    entry.drops_prepared = true;
    ++drops_unsent_;
    return;
  }
  if (!shaped || drops_unsent_ > 0) return;
  const std::string* name = prepared_->lookup(entry.parameters, entry.text);
  if (name == nullptr) return;
  entry.prepared_name = *name;
  entry.values.clear();
  for (size_t start : entry.parameters.starts) entry.values.push_back(entry.parameters.values.data() + start);
}

void PgAsync::send_prepare() {
  const bool pipelined = PQpipelineStatus(connection_) == PQ_PIPELINE_ON;
  // Behind pipelined statements no block is open; otherwise the session
  // must be idle, so that a refusal aborts nothing of the log's.
  if (!pipelined && (!wire_.empty() || PQtransactionStatus(connection_) != PQTRANS_IDLE)) return;
  if (pipelined && wire_.empty() && session_.in_block()) return;
  close_group();
  if (!PQisnonblocking(connection_)) PQsetnonblocking(connection_, 1);
  preparing_ = prepared_->take_queued();
  prepare_ok_ = false;
  const PgPrepared::Queued& shape = *preparing_;
  if (!PQsendPrepare(connection_, shape.name.c_str(), shape.text.c_str(), static_cast<int>(shape.types.size()),
                     shape.types.data())) {
    if (PQstatus(connection_) == CONNECTION_BAD) {
      lose(lost_message());
    } else {
      prepared_->prepared(shape, false);
      preparing_.reset();
    }
    return;
  }
  wire_.push_back(prepare_marker_);
  if (pipelined) sync();
}

void PgAsync::take_prepare(PGresult* result) {
  if (result != nullptr) {
    note_fatal(result);
    prepare_ok_ = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    return;
  }
  wire_.pop_front();
  prepared_->prepared(*preparing_, prepare_ok_);
  preparing_.reset();
  read_head();
}

int PgAsync::socket() const { return PQsocket(connection_); }

int32_t PgAsync::events() {
  try {
    pump();
    end_round();
  } catch (...) {
    lose("out of memory");
  }
  if (session_.lost_) return 0;
  return (wire_.empty() ? 0 : QL_WAIT_READ) | (wants_write_ ? QL_WAIT_WRITE : 0);
}

int32_t PgAsync::work() {
  if (session_.lost_) return finished_;
  try {
    if (group_ == 0 || wants_write_) flush();
    if (!wire_.empty() && !session_.lost_) {
      if (!PQconsumeInput(connection_)) {
        lose(lost_message());
        return finished_;
      }
      read_results();
    }
    pump();
    end_round();
  } catch (...) {
    lose("out of memory");
  }
  return finished_;
}

bool PgAsync::next(AsyncDone* done) {
  if (entries_.empty() || !entries_.front()->done) return false;
  Entry& entry = *entries_.front();
  done->tag = entry.tag;
  done->started_ns = entry.started_ns;
  done->finished_ns = entry.finished_ns;
  done->failure = entry.outcome.failure();
  entries_.pop_front();
  spare_.push_back(&entry);
  --finished_;
  return true;
}

void PgAsync::to_blocking() {
  if (PQpipelineStatus(connection_) != PQ_PIPELINE_OFF) PQexitPipelineMode(connection_);
  PQsetnonblocking(connection_, 0);
}

void PgAsync::flush() {
  if (session_.lost_) return;
  const int flushed = PQflush(connection_);
  if (flushed < 0) {
    lose(lost_message());
    return;
  }
  wants_write_ = flushed == 1;
}

void PgAsync::pump() {
  if (unsent_.empty() && again_.empty()) return;
  const int64_t now = monotonic_ns();  // one time for all that goes at once
  // Only pipelined reads may share a sync point: the setting is read for them.
  const bool reads_only = window_ > 1 && session_.reads_only();
  while (!session_.lost_) {
    // Statements to run again come before the ones never sent.
    std::deque<Entry*>& source = again_.empty() ? unsent_ : again_;
    if (source.empty()) return;
    Entry& entry = *source.front();
    if (session_.canceled()) {
      // A cancel stops what runs and everything not yet sent.
      for (std::deque<Entry*>* left : {&again_, &unsent_}) {
        for (Entry* unsent : *left) {
          if (unsent->drops_prepared) {
            unsent->drops_prepared = false;
            --drops_unsent_;
          }
          unsent->outcome.fail(PgSession::canceled_before_start());
          finish(*unsent);
        }
        left->clear();
      }
      return;
    }
    if (prepared_.has_value() && !preparing_.has_value() && drops_unsent_ == 0 && prepared_->has_queued()) {
      send_prepare();
      if (session_.lost_) return;
    }
    const bool pipelined = PQpipelineStatus(connection_) == PQ_PIPELINE_ON;
    // Behind pipelined statements no block can be open: only a statement
    // that goes alone opens one.
    const bool alone = entry.alone || (wire_.empty() && session_.in_block());
    if (!wire_.empty() && (alone || !pipelined)) {
      close_group();  // what is on the wire must end for it
      return;
    }
    source.pop_front();
    if (entry.drops_prepared) {
      entry.drops_prepared = false;
      --drops_unsent_;
    }
    if (!PQisnonblocking(connection_)) PQsetnonblocking(connection_, 1);
    if (alone) {
      if (pipelined) PQexitPipelineMode(connection_);
      entry.alone = true;
      entry.started_ns = now;
      entry.switched = entry.request.statement.utf8 && !session_.utf8_;
      wire_.push_back(&entry);
      advance(entry);
      // Nothing goes beside it until it has finished.
      if (!wire_.empty()) return;
    } else {
      send_pipelined(entry, now, reads_only);
    }
  }
}

void PgAsync::send_pipelined(Entry& entry, int64_t now, bool reads_only) {
  if (PQpipelineStatus(connection_) != PQ_PIPELINE_ON && PQenterPipelineMode(connection_) != 1) {
    entry.outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
    entry.started_ns = now;
    finish(entry);
    return;
  }
  // Plain reads of a read-only session share a sync point, up to a window
  // of them: one implicit transaction for all, and one answer from the
  // server, which sends nothing before the sync point comes.
  const bool shares = reads_only && !entry.own_sync && entry.request.statement.info.plain_read;
  if (!shares) close_group();
  entry.started_ns = now;
  wire_.push_back(&entry);
  const bool sent = entry.prepared_name.empty()
                        ? PQsendQueryParams(connection_, entry.text.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)
                        : PQsendQueryPrepared(connection_, entry.prepared_name.c_str(), static_cast<int>(entry.values.size()),
                                              entry.values.data(), nullptr, nullptr, 0);
  if (!sent) {
    lose(lost_message());
    return;
  }
  if (wire_.size() == 1) read_head();
  if (shares && ++group_ < window_) return;
  group_ = 0;
  sync();
}

void PgAsync::close_group() {
  if (group_ == 0 || session_.lost_) return;
  group_ = 0;
  sync();
}

void PgAsync::end_round() {
  if (group_ > 0 && syncs_on_wire_ == 0) close_group();
  if (group_ > 0 && !wants_write_) return;  // held until the sync point on its way is back
  flush();
}

void PgAsync::sync() {
  ++syncs_on_wire_;
  wire_.push_back(nullptr);
  if (!PQpipelineSync(connection_)) {
    lose(lost_message());
    return;
  }
  // The sync point flushed what it could: what the socket did not take
  // must be written before a held group may wait (end_round).
  flush();
}

void PgAsync::read_head() {
  reader_.reset();
  if (wire_.empty() || wire_.front() == nullptr || wire_.front()->alone) return;
  // Single-row mode is set while libpq has parsed none of the statement's
  // results: right after sending it, or right after the sync point before.
  // A statement of one small row is read whole: single-row mode would copy
  // the row into a result of its own, for nothing.
  if (!wire_.front()->one_row) PQsetSingleRowMode(connection_);
  reader_.emplace(wire_.front()->request, &wire_.front()->outcome);
}

const char* PgAsync::step_command(const Entry& entry) const {
  switch (entry.step) {
    case Step::encoding_on:
      return entry.switched ? kToUtf8 : nullptr;
    case Step::savepoint:
      return entry.guarded ? kSavepoint : nullptr;
    case Step::savepoint_end:
      if (!entry.guarded) return nullptr;
      if (reader_.has_value() && reader_->stopped()) return kRollbackToSavepoint;
      return PQtransactionStatus(connection_) == PQTRANS_INTRANS ? kReleaseSavepoint : nullptr;
    case Step::encoding_off:
      return entry.switched ? kToLatin1 : nullptr;
    default:
      return nullptr;
  }
}

void PgAsync::advance(Entry& entry) {
  for (;;) {
    entry.step = static_cast<Step>(static_cast<int>(entry.step) + 1);
    if (entry.step == Step::savepoint) {
      // Inside a block a stop would abort the whole transaction: a statement
      // that may be stopped runs behind a savepoint, and a stop rolls back to it.
      entry.guarded = !limits_.exact && PQtransactionStatus(connection_) == PQTRANS_INTRANS &&
                      entry.request.statement.info.may_stop;
    }
    if (entry.step == Step::finished) {
      reader_.reset();
      wire_.pop_front();
      finish(entry);
      return;
    }
    if (entry.step == Step::statement) {
      entry.in_block = session_.in_block();
      const bool sent = entry.prepared_name.empty()
                            ? PQsendQuery(connection_, entry.text.c_str())
                            : PQsendQueryPrepared(connection_, entry.prepared_name.c_str(),
                                                  static_cast<int>(entry.values.size()), entry.values.data(), nullptr,
                                                  nullptr, 0);
      if (!sent) break;
      PQsetSingleRowMode(connection_);
      reader_.emplace(entry.request, &entry.outcome);
      return;
    }
    const char* command = step_command(entry);
    if (command == nullptr) continue;
    if (entry.step == Step::savepoint_end) reader_.reset();
    if (!PQsendQuery(connection_, command)) break;
    return;
  }
  if (PQstatus(connection_) == CONNECTION_BAD) {
    lose(lost_message());
    return;
  }
  entry.outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
  reader_.reset();
  wire_.pop_front();
  finish(entry);
}

void PgAsync::read_results() {
  // A broken connection makes PQisBusy false: asked for a result then,
  // libpq would wait on the socket it has closed.
  read_ns_ = monotonic_ns();  // what is read now came in together
  while (!wire_.empty() && !session_.lost_ && !PQisBusy(connection_) && PQstatus(connection_) != CONNECTION_BAD) {
    Entry* entry = wire_.front();
    PGresult* result = PQgetResult(connection_);
    if (entry != nullptr && entry == prepare_marker_) {
      take_prepare(result);
    } else if (entry == nullptr) {
      if (!take_sync(result)) break;
    } else if (entry->alone) {
      take_alone(*entry, result);
    } else {
      take_pipelined(*entry, result);
    }
  }
  if (!session_.lost_ && PQstatus(connection_) == CONNECTION_BAD) {
    lose(lost_message());
  }
}

bool PgAsync::take_sync(PGresult* result) {
  if (result == nullptr) return false;  // the sync point has not come yet
  if (PQresultStatus(result) == PGRES_PIPELINE_SYNC) {
    wire_.pop_front();
    --syncs_on_wire_;
    for (Entry* entry : answered_) finish(*entry);
    answered_.clear();
    read_head();
  }
  PQclear(result);
  return true;
}

void PgAsync::take_pipelined(Entry& entry, PGresult* result) {
  std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
  if (result == nullptr) {  // the statement's results are done
    wire_.pop_front();
    if (entry.again) {
      entry.again = false;
      entry.own_sync = true;
      entry.outcome = Outcome(limits_);
      again_.push_back(&entry);
    } else {
      // Finished at its sync point: a connection that breaks before it
      // comes loses the statement too.
      entry.finished_ns = read_ns_;
      answered_.push_back(&entry);
    }
    read_head();  // the next statement's results follow at once, or its sync point
    return;
  }
  if (PQresultStatus(result) == PGRES_PIPELINE_ABORTED) {
    entry.again = true;
    return;
  }
  note_fatal(result);
  take_copy(entry, result);
  reader_->take(result);
  // A read past its answers limit is stopped when no statement was sent
  // after it. The cancel has reached the server when PQcancel returns, so
  // it stops this statement or finds the session idle and is dropped; it
  // can never stop one sent afterwards. Behind other statements the rest
  // of its rows are read and dropped instead.
  if (reader_->limit_reached() && last_on_wire()) session_.stop_statement(&*reader_, false);
}

bool PgAsync::last_on_wire() const {
  for (size_t i = 1; i < wire_.size(); ++i) {
    if (wire_[i] != nullptr) return false;
  }
  return true;
}

void PgAsync::take_alone(Entry& entry, PGresult* result) {
  if (result == nullptr && PQstatus(connection_) == CONNECTION_BAD) {
    lose(lost_message());
    return;
  }
  if (result == nullptr) {  // the step's command is done
    if (entry.step == Step::encoding_on && entry.outcome.failed()) entry.step = Step::encoding_off;
    if (entry.step == Step::savepoint && entry.outcome.failed()) entry.step = Step::savepoint_end;
    advance(entry);
    return;
  }
  std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
  note_fatal(result);
  if (entry.step == Step::statement) {
    take_copy(entry, result);
    reader_->take(result);
    if (reader_->limit_reached()) session_.stop_statement(&*reader_, entry.in_block && !entry.guarded);
  } else if (PQresultStatus(result) != PGRES_COMMAND_OK) {
    entry.outcome.fail(failure(QL_ERR_ENGINE, pg_message(PQresultErrorMessage(result))));
  }
}

void PgAsync::take_copy(Entry& entry, const PGresult* result) {
  const ExecStatusType status = PQresultStatus(result);
  if (status != PGRES_COPY_IN && status != PGRES_COPY_OUT) return;
  // No data travels with these statements: a copy from the client is
  // refused and one to it dropped, waiting on the socket meanwhile.
  PQsetnonblocking(connection_, 0);
  session_.copy_data(result, nullptr, &entry.outcome);
  if (!session_.lost_) PQsetnonblocking(connection_, 1);
}

void PgAsync::note_fatal(const PGresult* result) {
  const char* severity = PQresultErrorField(result, PG_DIAG_SEVERITY_NONLOCALIZED);
  if (severity != nullptr && (std::string_view(severity) == "FATAL" || std::string_view(severity) == "PANIC")) {
    last_fatal_ = pg_message(PQresultErrorMessage(result));
  }
}

std::string PgAsync::lost_message() const {
  std::string text = pg_message(PQerrorMessage(connection_));
  if (!last_fatal_.empty() && text.find(last_fatal_) == std::string::npos) text = last_fatal_ + "\n" + text;
  return "connection to the server lost: " + text;
}

void PgAsync::finish(Entry& entry) {
  if (entry.finished_ns == 0 && entry.started_ns != 0) entry.finished_ns = monotonic_ns();
  entry.done = true;
  ++finished_;
}

void PgAsync::lose(const std::string& message) {
  if (!session_.lost_) {
    session_.lost_ = true;
    session_.lost_message_ = message;
  }
  reader_.reset();
  for (Entry* entry : entries_) {
    if (entry->done) continue;
    entry->outcome.lose(session_.lost_message_);
    finish(*entry);
  }
  wire_.clear();
  unsent_.clear();
  again_.clear();
  answered_.clear();
  group_ = 0;
  syncs_on_wire_ = 0;
  preparing_.reset();
  drops_unsent_ = 0;
}

}  // namespace ql
