#include "session/clients.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "measure/progress.h"
#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/client_loop.h"
#include "session/client_state.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/host_list.h"
#include "statements/statement_text.h"

namespace tarnwick {

Clients* clients = nullptr;

Clients::Clients() = default;
Clients::~Clients() = default;

namespace {

// Captured sessions beyond this share clients when --clients= is not given.
constexpr int32_t kDefaultCapturedClients = 64;

bool (*stop_check)() = nullptr;

// Statements dealt and not yet handed back, over all clients. The bound is
// shared rather than per client: a client held up by a lock that another
// session's open transaction keeps must not stop the log from being read
// on, or the statement that ends that transaction would never be dealt.
constexpr size_t kMaxWaiting = 65536;
// Statements of captured sessions held for their turn on a shared client:
// beyond this, a block kept open that long lets them run inside it.
constexpr size_t kMaxHeld = 65536;

// Every client stops taking statements; the loops see it at once.
void stop_clients() {
  clients->stopping.store(true);
  for (auto& loop : clients->loops) loop->wake();
}

// The event loop that client `index` goes to: one loop per core at most,
// made on first use, its thread started by its first client; null when it
// cannot be made (the client keeps a thread of its own).
ClientLoop* loop_for(int32_t index) {
  const int32_t planned = settings.clients > 0 ? settings.clients : kDefaultCapturedClients;
  const auto count = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, static_cast<size_t>(planned));
  const size_t k = static_cast<size_t>(index) % count;
  while (clients->loops.size() <= k) {
    auto loop = std::make_unique<ClientLoop>();
    if (!loop->open()) return nullptr;
    clients->loops.push_back(std::move(loop));
  }
  return clients->loops[k].get();
}

// The client with the least waiting, preferring one without a captured
// session when `free_only`; an idle one ends the search early.
Client* least_busy(bool free_only) {
  Client* best = nullptr;
  size_t best_waiting = SIZE_MAX;
  const size_t n = clients->all.size();
  for (size_t k = 0; k < n; ++k) {
    Client* c = clients->all[(clients->next_pick + k) % n].get();
    if (free_only && c->sessions > 0) continue;
    const size_t waiting = c->waiting.load(std::memory_order_relaxed);
    if (waiting < best_waiting) {
      best = c;
      best_waiting = waiting;
      if (waiting == 0) break;
    }
  }
  clients->next_pick = (clients->next_pick + 1) % std::max<size_t>(n, 1);
  return best;
}

Client* open_client() {
  auto client = std::make_unique<Client>();
  client->index = static_cast<int32_t>(clients->all.size());
  client->params = clients->params;
  if (settings.spread_hosts) {
    // Client i goes to server i of the list, in turn.
    const size_t servers = server_count(client->params.host, client->params.port);
    const auto server = static_cast<size_t>(client->index) % servers;
    std::string label;
    pick_server(&client->params.host, &client->params.port, server, &label);
    client->server = static_cast<int32_t>(server);
    if (run_stats.servers.size() < servers) run_stats.servers.resize(servers);
    run_stats.servers[server].host = label;
  }
  Client* c = client.get();
  // Client threads and loops take no signal: they are the main thread's.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  c->loop = loop_for(c->index);
  try {
    c->thread = std::thread(run_client, std::ref(*c));
  } catch (const std::system_error& e) {
    c->lost = true;
    c->lost_message = std::string("could not start its thread: ") + e.what();
    c->exited.store(true);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  clients->all.push_back(std::move(client));
  return c;
}

void start_clients() {
  clients = new Clients;
  clients->params = session_params();
  if (settings.clients > 0) {
    for (int32_t i = 0; i < settings.clients; ++i) open_client();
  }
}

// Turns what the clients handed back into samples; says which client
// failed for good. Returns the outcome for the loop.
Outcome drain() {
  Outcome outcome;
  clients->since_drain = 0;
  for (auto& owned : clients->all) {
    Client& c = *owned;
    std::vector<Done>& done = c.drained;
    bool newly_lost = false;
    std::string lost_message;
    int64_t connect_ns = -1;
    {
      std::lock_guard<std::mutex> guard(c.lock);
      done.swap(c.outbox);
      if (c.lost && !c.lost_reported) {
        c.lost_reported = true;
        newly_lost = true;
        lost_message = c.lost_message;
      }
      if (c.connect_ns >= 0) {
        connect_ns = c.connect_ns;
        c.connect_ns = -2;  // counted
      }
    }
    if (connect_ns >= 0) {
      run_stats.connect_ns += connect_ns;
      ++run_stats.connections;
    }
    for (const Done& d : done) {
      if (d.internal) continue;
      Sample sample;
      sample.session = c.index;
      sample.kind = d.query ? kind_query : kind_other;
      sample.finished_ns = d.finished_ns;
      sample.busy_ns = d.finished_ns - std::max(d.started_ns, c.free_ns);
      if (d.finished_ns != 0) c.free_ns = d.finished_ns;
      sample.shape = d.shape;
      sample.ends_unit = d.ends_unit;
      if (d.code != 0) {
        sample.failure = d.message.c_str();
        message_line("Error : ", d.message.c_str());
        if (run_state.stop_on_error) stop_clients();
      } else {
        sample.latency_ns = d.finished_ns - (d.due_ns != 0 ? d.due_ns : d.started_ns);
      }
      if (d.due_ns != 0 && d.started_ns != 0) {
        run_stats.paced = true;
        record_lag(d.started_ns - d.due_ns);
      }
      record_sample(sample);
      if (static_cast<size_t>(c.server) < run_stats.servers.size()) {
        HostRow& server = run_stats.servers[static_cast<size_t>(c.server)];
        ++server.statements;
        if (d.code != 0) {
          ++server.failed;
        } else {
          server.latency.record(sample.latency_ns);
        }
      }
    }
    done.clear();
    if (newly_lost) {
      error_line(("Client " + std::to_string(c.index) + " is lost: ").c_str(), lost_message.c_str());
      run_state.lost_connection = true;
      stop_clients();
    }
  }
  if (run_stats.active) progress_tick(monotonic_ns());
  if (clients->stopping.load()) {
    outcome.next = Next::end_run;
    if (run_state.stop_on_error && !run_state.lost_connection) outcome.end = RunEnd::error_stop;
  }
  return outcome;
}

// The client that runs this statement, whether the statement ends its
// unit, and whether it ends its captured session inside a block.
Client* pick_client(const sqltext::StatementInfo& info, const StatementOrigin& origin, bool* ends_unit,
                    bool* ends_in_block) {
  if (origin.session != 0) {
    Clients::Captured& session = clients->captured[origin.session];
    if (session.client == nullptr) {
      const int32_t cap = settings.clients > 0 ? settings.clients : kDefaultCapturedClients;
      if (static_cast<int32_t>(clients->all.size()) < cap) {
        session.client = open_client();
      } else {
        session.client = least_busy(true);
        if (session.client == nullptr) {
          // Every client plays a session that has not ended: this one
          // shares one, and its statements may fall inside the other's
          // open transaction there. Said once, so that the cap is raised
          // rather than the results trusted.
          session.client = least_busy(false);
          if (!clients->sharing_said) {
            clients->sharing_said = true;
            error_line(("Warning : more captured sessions at once than " + std::to_string(cap) +
                        " clients: sessions share clients, taking turns between their transactions; raise "
                        "--clients= to play them as they ran")
                           .c_str());
          }
        }
      }
      ++session.client->sessions;
    }
    if (!session.in_block && info.opens_block) session.in_block = true;
    if (session.in_block && info.ends_block) session.in_block = false;
    *ends_unit = !session.in_block;
    Client* client = session.client;
    if (origin.session_ends) {
      *ends_in_block = session.in_block;
      --client->sessions;
      clients->captured.erase(origin.session);
    }
    return client;
  }
  Client* client;
  if (clients->in_block) {
    client = clients->block_client;
  } else {
    client = least_busy(false);
    if (info.opens_block) {
      clients->in_block = true;
      clients->block_client = client;
    }
  }
  if (clients->in_block && info.ends_block) clients->in_block = false;
  *ends_unit = !clients->in_block;
  return client;
}

// Hands `item` to `client`'s queue.
void push_item(Client& client, Item&& item) {
  client.waiting.fetch_add(1);
  clients->waiting.fetch_add(1);
  bool wake;
  {
    std::lock_guard<std::mutex> guard(client.lock);
    client.queue.push_back(std::move(item));
    wake = client.sleeping;
  }
  if (wake) client.ready.notify_one();
  if (client.loop != nullptr) client.loop->nudge();
}

// Whether a statement of captured session `session` waits for its turn on
// `client`: another session's block is open there, or an earlier statement
// of its own waits already.
bool waits_turn(const Client& client, uint32_t session) {
  return (client.block_session != 0 && client.block_session != session) ||
         client.held_by_session.count(session) != 0;
}

// Notes that a statement of `session` went to `client`'s queue.
void took_turn(Client& client, uint32_t session, bool in_block_after) {
  if (in_block_after) {
    client.block_session = session;
  } else if (client.block_session == session) {
    client.block_session = 0;
  }
}

// Sends the held statements whose turn has come, in order; `force` sends
// them all, inside whatever block is open.
void release_held(Client& client, bool force) {
  std::deque<Client::Held> keep;
  std::unordered_set<uint32_t> kept_back;  // sessions with a statement still held
  for (Client::Held& held : client.held) {
    if (!force && (kept_back.count(held.session) != 0 ||
                   (client.block_session != 0 && client.block_session != held.session))) {
      kept_back.insert(held.session);
      keep.push_back(std::move(held));
      continue;
    }
    push_item(client, std::move(held.item));
    took_turn(client, held.session, held.in_block_after);
    --clients->held;
    auto count = client.held_by_session.find(held.session);
    if (--count->second == 0) client.held_by_session.erase(count);
  }
  client.held.swap(keep);
}

// Sends every held statement, saying so once: a block kept open too long,
// or open at the end of the log.
void force_held(const char* why) {
  bool any = false;
  for (auto& client : clients->all) {
    any = any || !client->held.empty();
    release_held(*client, true);
  }
  if (any && !clients->forced_said) {
    clients->forced_said = true;
    error_line(("Warning : " + std::string(why) +
                ": statements of the sessions that share its client ran inside it; raise --clients=")
                   .c_str());
  }
}

// When the statement is due: at its recorded time divided by --speed=,
// or, under --rate=, at the next unit's slot; 0: at once.
int64_t due_time(const StatementOrigin& origin, bool starts_unit) {
  const double speed = settings.speed < 0 ? 1.0 : settings.speed;
  if (origin.time_us != 0 && speed > 0) {
    if (clients->first_time_us == 0) {
      clients->first_time_us = origin.time_us;
      clients->schedule_start_ns = monotonic_ns();
    }
    const double offset_ns = static_cast<double>(origin.time_us - clients->first_time_us) * 1000.0 / speed;
    return clients->schedule_start_ns + static_cast<int64_t>(std::clamp(offset_ns, 0.0, 0x1p62));
  }
  if (settings.rate > 0 && starts_unit) {
    if (clients->schedule_start_ns == 0) clients->schedule_start_ns = monotonic_ns();
    const double offset_ns = static_cast<double>(clients->units_dealt++) * 1e9 / settings.rate;
    return clients->schedule_start_ns + static_cast<int64_t>(std::min(offset_ns, 0x1p62));
  }
  return 0;
}

bool stop_requested() { return stop_check != nullptr && stop_check(); }

// Waits until `done` holds, a client wakes it (see hand_back), or 20 ms
// passed (the caller then looks at what came back and at Ctrl-C).
template <typename Done>
void wait_for_clients(Done done, size_t wake_at = 0) {
  std::unique_lock<std::mutex> guard(clients->lock);
  clients->wake_at.store(wake_at);
  clients->main_waiting.store(true);
  clients->progress.wait_for(guard, std::chrono::milliseconds(20), done);
  clients->main_waiting.store(false);
}

// Hands `item` to `client`, or holds it until its captured session's turn
// there; `in_block_after`: the session's block is open after it.
Outcome deal_item(Client& client, Item&& item, uint32_t session, bool in_block_after) {
  if (session != 0 && waits_turn(client, session)) {
    client.held.push_back({std::move(item), session, in_block_after});
    ++client.held_by_session[session];
    if (++clients->held > kMaxHeld) force_held("a captured session kept a transaction open too long");
    return Outcome();
  }
  // Waits for room, taking in what the clients handed back meanwhile: the
  // log is read no faster than it is played, so memory stays flat however
  // long it is.
  while (clients->waiting.load() >= kMaxWaiting) {
    Outcome outcome = drain();
    if (outcome.next == Next::end_run) return outcome;
    if (stop_requested()) return Outcome{Next::end_run, RunEnd::interrupted};
    wait_for_clients([&] { return clients->waiting.load() < kMaxWaiting; }, kMaxWaiting / 2);
  }
  push_item(client, std::move(item));
  if (session != 0) {
    took_turn(client, session, in_block_after);
    if (client.block_session == 0 && !client.held.empty()) release_held(client, false);
  }
  return Outcome();
}

// Waits until every client has run what it was dealt; false when the run
// stops meanwhile (the outcome says why).
bool wait_for_all(Outcome* outcome) {
  for (;;) {
    *outcome = drain();
    if (outcome->next == Next::end_run) return false;
    if (stop_requested()) {
      *outcome = Outcome{Next::end_run, RunEnd::interrupted};
      return false;
    }
    auto idle = [] {
      for (auto& c : clients->all) {
        if (c->waiting.load() != 0 && !c->exited.load()) return false;
      }
      return true;
    };
    if (idle()) return true;
    wait_for_clients(idle);
  }
}

}  // namespace

void set_clients_stop_check(bool (*stop_requested)()) { stop_check = stop_requested; }

Outcome deal_statement(const char* text, const sqltext::StatementInfo& info, const StatementOrigin& origin) {
  // The clients of --clients= start together: a client still connecting
  // while the others run would take its share of the log late, and a
  // failure there would be seen after statements that came after it.
  if (clients == nullptr) open_clients();
  if (clients == nullptr) start_clients();
  clients->stop_on_error.store(run_state.stop_on_error, std::memory_order_relaxed);
  if (clients->stopping.load()) return drain();
  Outcome waited;
  // A statement that changes what the others run against (the schema)
  // waits for everything dealt before it, and nothing dealt after it starts
  // before it has finished, so that a log that sets up its tables before
  // loading them works as it reads.
  const bool barrier = origin.session == 0 && !clients->in_block && info.schema_change;
  if (barrier && !wait_for_all(&waited)) return waited;
  const bool starts_unit = origin.session != 0 ? clients->captured.count(origin.session) == 0 ||
                                                     !clients->captured[origin.session].in_block
                                               : !clients->in_block;
  bool ends_unit = true;
  bool ends_in_block = false;
  Client* client = pick_client(info, origin, &ends_unit, &ends_in_block);
  Item item;
  item.text = text;
  item.query = info.query;
  item.copy = info.copy;
  item.ends_unit = ends_unit;
  item.shape = shape_id(text);
  item.due_ns = due_time(origin, starts_unit);
  Outcome outcome = deal_item(*client, std::move(item), origin.session, !ends_unit);
  // The server rolled back the block of a session that ended inside it; so
  // does its client, before another session's statement runs there.
  if (ends_in_block && outcome.next != Next::end_run) {
    Item rollback;
    rollback.text = "rollback";
    rollback.internal = true;
    outcome = deal_item(*client, std::move(rollback), origin.session, false);
  }
  if (outcome.next == Next::end_run) return outcome;
  if (barrier && !wait_for_all(&waited)) return waited;
  if (++clients->since_drain >= 256) return drain();
  return Outcome();
}

void open_clients() {
  if (settings.clients <= 0) return;
  if (clients == nullptr) start_clients();
  auto connected = [] {
    for (auto& c : clients->all) {
      std::lock_guard<std::mutex> guard(c->lock);
      if (c->connect_ns == -1 && !c->exited.load()) return false;
    }
    return true;
  };
  while (!connected() && !stop_requested()) wait_for_clients(connected);
}

Outcome finish_clients(bool cancel) {
  if (clients == nullptr) return Outcome();
  if (!cancel && !stop_requested() && !clients->stopping.load()) {
    force_held("the log ends inside a captured session's transaction");
  }
  for (auto& c : clients->all) {
    std::lock_guard<std::mutex> guard(c->lock);
    c->closing = true;
  }
  for (auto& c : clients->all) c->ready.notify_one();
  Outcome outcome;
  for (;;) {
    if (cancel || stop_requested()) {
      cancel = true;
      stop_clients();
      for (auto& c : clients->all) {
        ql_handle handle = c->handle.load();
        if (handle != 0) ql_cancel(handle);
      }
    }
    outcome.merge(drain());
    bool all_done = true;
    for (auto& c : clients->all) {
      if (c->waiting.load() != 0 && !c->exited.load()) all_done = false;
    }
    if (all_done) break;
    wait_for_clients([] { return false; });
  }
  stop_clients();
  for (auto& c : clients->all) {
    {
      std::lock_guard<std::mutex> guard(c->lock);
      c->closing = true;
    }
    c->ready.notify_one();
    if (c->thread.joinable()) c->thread.join();
  }
  // Every client's thread has ended, so none hands a client to a loop now.
  for (auto& loop : clients->loops) loop->end();
  outcome.merge(drain());
  delete clients;
  clients = nullptr;
  if (cancel && outcome.next != Next::end_run) outcome = Outcome{Next::end_run, RunEnd::interrupted};
  return outcome;
}

}  // namespace tarnwick
