// PgSession::run_in_order: the statements of one session in a batch go to
// the server in pipeline mode, all at once, each followed by its own sync
// point so that a failing statement does not abort the ones after it. The
// connection is non-blocking while the pipeline runs: the loop below sends
// what libpq has buffered while it reads results, so neither side can
// block on a full socket.
#include <poll.h>

#include <cerrno>

#include <string>
#include <string_view>
#include <vector>

#include "ql_client/postgres/pg_reader.h"
#include "ql_client/postgres/pg_session.h"

namespace ql {

// One statement in the pipeline. A statement marked "{unicode}" on a
// Latin-1 session is wrapped in two encoding switches, which are items
// without an outcome.
struct PgSession::PipelineItem {
  const Request* request = nullptr;
  Outcome* outcome = nullptr;
  const char* text = nullptr;
  // When it was sent: each item is stamped from then to its answer. Set
  // while the items are sent, which otherwise only reads them.
  mutable int64_t sent_ns = 0;
  // Whether a sync point follows it; false when it shares the next item's
  // (see shares_sync). Set while the items are sent.
  mutable bool sync_after = true;

  Outcome* outcome_or(Outcome* scratch) const { return outcome != nullptr ? outcome : scratch; }
};

namespace {

using Item = PgSession::PipelineItem;

const Request kSwitchRequest{};

std::vector<Item> pipeline_items(std::span<const Request* const> requests, std::span<Outcome* const> outcomes,
                                 bool session_utf8) {
  std::vector<Item> items;
  for (size_t i = 0; i < requests.size(); ++i) {
    if (outcomes[i]->failed()) continue;  // failed before it reached the session
    bool wrap = requests[i]->statement.utf8 && !session_utf8;
    if (wrap) items.push_back({&kSwitchRequest, nullptr, "set client_encoding to 'UTF8'"});
    items.push_back({requests[i], outcomes[i], requests[i]->statement.text.data()});
    if (wrap) items.push_back({&kSwitchRequest, nullptr, "set client_encoding to 'LATIN1'"});
  }
  return items;
}

// Whether a statement may open a transaction block (BEGIN, START ...).
bool opens_block(const sqltext::StatementInfo& info) {
  return info.keyword == sqltext::Keyword::begin || info.keyword == sqltext::Keyword::start;
}

}  // namespace

// Whether item i may share its sync point with item i + 1: both plain
// reads, in a session whose transactions are read-only.
bool PgSession::shares_sync(const std::vector<Item>& items, size_t i) const {
  if (i + 1 >= items.size() || items[i].outcome == nullptr || items[i + 1].outcome == nullptr) return false;
  return reads_only() && items[i].request->statement.info.plain_read && items[i + 1].request->statement.info.plain_read;
}

bool PgSession::reads_only() const {
  const char* read_only = PQparameterStatus(connection_, "default_transaction_read_only");
  return read_only != nullptr && std::string_view(read_only) == "on";
}

void PgSession::run_in_order(std::span<const Request* const> requests, std::span<Outcome* const> outcomes) {
  // Inside a transaction block a statement stopped at the answers limit
  // needs a savepoint around it, which run() sets: a batch that runs in a
  // block, or may open one, goes one statement at a time.
  bool one_by_one = requests.size() == 1 || lost_ || in_block();
  for (const Request* request : requests) one_by_one = one_by_one || opens_block(request->statement.info);
  if (one_by_one) {
    Session::run_in_order(requests, outcomes);
    return;
  }
  try {
    run_pipeline(requests, outcomes);
  } catch (...) {  // an allocation failed: std::bad_alloc or the process allocator's own
    // The pipeline is cut half-way and cannot be resumed: the session is
    // lost, and what the batch kept is freed.
    if (!lost_) {
      lost_ = true;
      lost_message_ = "out of memory";
    }
    for (Outcome* outcome : outcomes) {
      outcome->drop_page();
      outcome->lose(lost_message_);
    }
  }
}

void PgSession::run_pipeline(std::span<const Request* const> requests, std::span<Outcome* const> outcomes) {
  std::vector<Item> items = pipeline_items(requests, outcomes, utf8_);
  if (items.empty()) return;
  Outcome scratch;  // takes the results of the encoding switches
  if (!send_pipeline(items, &scratch)) return;
  std::vector<size_t> stopped = read_pipeline(items, &scratch);
  if (lost_) return;
  PQexitPipelineMode(connection_);
  PQsetnonblocking(connection_, 0);
  run_stopped_again(items, stopped);
}

void PgSession::fail_pipeline(const std::vector<Item>& items, size_t from) {
  if (!lost_) {
    lost_ = true;
    lost_message_ = "connection to the server lost: " + pg_message(PQerrorMessage(connection_));
  }
  for (size_t i = from; i < items.size(); ++i) {
    if (items[i].outcome != nullptr) items[i].outcome->lose(lost_message_);
  }
}

bool PgSession::send_pipeline(const std::vector<Item>& items, Outcome* scratch) {
  if (PQsetnonblocking(connection_, 1) != 0 || PQenterPipelineMode(connection_) != 1) {
    for (const Item& item : items) {
      if (!check_lost(item.outcome_or(scratch))) {
        item.outcome_or(scratch)->fail(failure(QL_ERR_ENGINE, pg_message(PQerrorMessage(connection_))));
      }
    }
    PQsetnonblocking(connection_, 0);
    return false;
  }
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    *item.outcome_or(scratch) = Outcome(item.request->limits);
    item.sent_ns = monotonic_ns();
    item.sync_after = !shares_sync(items, i);
    if (!PQsendQueryParams(connection_, item.text, 0, nullptr, nullptr, nullptr, nullptr, 0) ||
        (item.sync_after && !PQpipelineSync(connection_))) {
      fail_pipeline(items, 0);
      return false;
    }
  }
  return true;
}

// Returns the items that a cancel meant for the statement before them
// stopped by mistake. On a broken connection, fails the rest and returns
// with the session lost.
std::vector<size_t> PgSession::read_pipeline(const std::vector<Item>& items, Outcome* scratch) {
  // Single-row mode is set for an item while libpq has parsed none of its
  // results: right after sending, and right after the previous sync point.
  PQsetSingleRowMode(connection_);
  size_t current = 0;          // the item whose results come next
  bool awaiting_sync = false;  // its results are done; its sync point is next
  bool block = in_block();     // inside a transaction block when `current` started
  std::unique_ptr<PgReader> reader;
  std::vector<size_t> stopped;
  while (current < items.size()) {
    int flushed = PQflush(connection_);  // 0: all sent, 1: more to send
    if (flushed < 0) {
      fail_pipeline(items, current);
      return {};
    }
    pollfd wait{PQsocket(connection_), static_cast<short>(POLLIN | (flushed == 1 ? POLLOUT : 0)), 0};
    if ((poll(&wait, 1, -1) < 0 && errno != EINTR) ||
        ((wait.revents & (POLLIN | POLLERR | POLLHUP)) != 0 && !PQconsumeInput(connection_))) {
      fail_pipeline(items, current);
      return {};
    }
    while (current < items.size() && !PQisBusy(connection_)) {
      if (reader == nullptr && !awaiting_sync) {
        reader = std::make_unique<PgReader>(*items[current].request, items[current].outcome_or(scratch));
      }
      PGresult* result = PQgetResult(connection_);
      if (awaiting_sync) {
        if (result == nullptr) break;  // the sync point has not come yet
        bool sync = PQresultStatus(result) == PGRES_PIPELINE_SYNC;
        PQclear(result);
        if (sync) {
          awaiting_sync = false;
          block = in_block();
          if (++current < items.size()) PQsetSingleRowMode(connection_);
        }
        continue;
      }
      if (result == nullptr) {  // the item's results are done
        if (reader->canceled_by_mistake() && !block && !canceled() && items[current].outcome != nullptr) {
          stopped.push_back(current);
        }
        reader.reset();
        items[current].outcome_or(scratch)->stamp(items[current].sent_ns, monotonic_ns());
        if (items[current].sync_after) {
          awaiting_sync = true;
        } else if (++current < items.size()) {
          PQsetSingleRowMode(connection_);  // the next item's results follow at once
        }
        continue;
      }
      std::unique_ptr<PGresult, void (*)(PGresult*)> owned(result, PQclear);
      if (PQresultStatus(result) == PGRES_PIPELINE_ABORTED) {
        // An item that shared the sync point of one that failed before it
        // did not run: it runs again on its own afterwards.
        if (items[current].outcome != nullptr) stopped.push_back(current);
        continue;
      }
      reader->take(result);
    }
    // Everything that had arrived is read. A query past its answers limit
    // whose end has not come is still running on the server: stop it.
    if (reader != nullptr && reader->limit_reached()) stop_statement(reader.get(), block);
    if (PQstatus(connection_) == CONNECTION_BAD) {
      fail_pipeline(items, current);
      return {};
    }
  }
  return stopped;
}

// Items that shared a sync point with one that failed did not run (see
// plain_read); and a cancel sent for one statement can, rarely, reach the
// server just after that statement ended and stop the next one instead.
// Outside a transaction block such an item changed nothing: it runs again
// on its own, unless the call was canceled, which it then reports.
void PgSession::run_stopped_again(const std::vector<Item>& items, const std::vector<size_t>& stopped) {
  for (size_t i : stopped) {
    if (canceled()) {
      items[i].outcome->fail(canceled_before_start());
    } else {
      *items[i].outcome = run_timed(*items[i].request);
    }
  }
}

}  // namespace ql
