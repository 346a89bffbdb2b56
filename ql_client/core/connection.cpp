#include "ql_client/core/connection.h"

#include <algorithm>

namespace ql {

std::unique_ptr<Connection> Connection::open(const OpenSettings& settings, int32_t sessions,
                                             SessionOpener open_one, Failure* failure,
                                             const std::vector<std::pair<std::string, std::string>>& servers) {
  std::unique_ptr<Connection> connection(new Connection());
  connection->settings_ = settings;
  for (int32_t i = 0; i < sessions; ++i) {
    OpenSettings own = settings;
    if (!servers.empty()) {
      own.host = servers[static_cast<size_t>(i) % servers.size()].first;
      own.port = servers[static_cast<size_t>(i) % servers.size()].second;
    }
    std::unique_ptr<Session> session = open_one(own, failure);
    if (session == nullptr) return nullptr;
    connection->sessions_.push_back(std::move(session));
  }
  return connection;
}

bool Connection::start_async(int32_t window, Failure* failure) {
  if (sessions_.size() != 1) {
    *failure = ql::failure(QL_ERR_ARGUMENT, "a pool runs its statements in the caller's thread only");
    return false;
  }
  if (async_ == nullptr) async_ = sessions_[0]->start_async(window, settings_.limits, failure);
  return async_ != nullptr;
}

bool Connection::ready_to_block(Outcome* outcome) {
  if (async_ == nullptr) return true;
  if (async_->accepted() != 0) {
    outcome->fail(failure(QL_ERR_ARGUMENT, "statements sent with ql_async_send are still on their way"));
    return false;
  }
  async_->to_blocking();
  return true;
}

Outcome Connection::run(const Request& request) {
  if (Outcome refused(request.limits); !ready_to_block(&refused)) return refused;
  sessions_[0]->clear_cancel();
  return sessions_[0]->run_timed(request);
}

void Connection::cancel() {
  for (const std::unique_ptr<Session>& session : sessions_) session->cancel();
}

void Connection::run_batch(std::span<const Request> requests, std::span<Outcome> outcomes) {
  if (Outcome refused; !ready_to_block(&refused)) {
    for (Outcome& outcome : outcomes) outcome.fail(refused.failure());
    return;
  }
  size_t session_count = std::min(sessions_.size(), requests.size());
  std::vector<std::vector<const Request*>> session_requests(session_count);
  std::vector<std::vector<Outcome*>> session_outcomes(session_count);
  for (size_t i = 0; i < requests.size(); ++i) {
    session_requests[i % session_count].push_back(&requests[i]);
    session_outcomes[i % session_count].push_back(&outcomes[i]);
  }
  for (size_t s = 0; s < session_count; ++s) sessions_[s]->clear_cancel();
  // Entries with due times go one by one at those times: the base loop,
  // never an engine's pipeline.
  bool scheduled = std::any_of(requests.begin(), requests.end(), [](const Request& r) { return r.due_ns != 0; });
  auto job = [&](size_t s) {
    try {
      if (scheduled) {
        sessions_[s]->Session::run_in_order(session_requests[s], session_outcomes[s]);
      } else {
        sessions_[s]->run_in_order(session_requests[s], session_outcomes[s]);
      }
    } catch (const std::exception& e) {  // nothing may escape a worker thread
      for (Outcome* outcome : session_outcomes[s]) {
        if (!outcome->failed()) outcome->fail(failure(QL_ERR_ENGINE, e.what()));
      }
    } catch (...) {
      // Not a standard exception: the program's own allocator throws its
      // own type when the system refuses memory, and the unwinding has
      // given back what the session held.
      try {
        for (Outcome* outcome : session_outcomes[s]) {
          if (!outcome->failed()) outcome->fail(failure(QL_ERR_ENGINE, "out of memory, or an internal failure"));
        }
      } catch (...) {
        // Not even the message could be made; the entries keep whatever
        // they hold, and the thread lives on.
      }
    }
  };

  // Workers are started lazily: a pool that only ever runs single
  // statements, or small batches, has no idle threads.
  while (workers_.size() + 1 < session_count) workers_.push_back(std::make_unique<Worker>());
  for (size_t s = 1; s < session_count; ++s) workers_[s - 1]->start([&job, s] { job(s); });
  job(0);
  for (size_t s = 1; s < session_count; ++s) workers_[s - 1]->wait();
}

}  // namespace ql
