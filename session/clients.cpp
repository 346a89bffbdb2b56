#include "session/clients.h"

#include <pthread.h>
#include <sys/prctl.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "measure/progress.h"
#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/host_list.h"
#include "statements/statement_text.h"

namespace tarnwick {

namespace {

// Captured sessions beyond this share clients when --clients= is not given.
constexpr int32_t kDefaultCapturedClients = 64;

// One statement dealt to a client.
struct Item {
  std::string text;
  int64_t due_ns = 0;  // not sent before (monotonic_ns); 0: at once
  int32_t shape = -1;
  bool query = false;
  bool ends_unit = true;
};

// What a client hands back for one statement.
struct Done {
  int64_t started_ns = 0;
  int64_t finished_ns = 0;
  int64_t due_ns = 0;
  int32_t shape = -1;
  int32_t code = 0;
  bool query = false;
  bool ends_unit = true;
  std::string message;  // when it failed
};

// One independent client: a thread with its own session and queue.
// Thread rules: `queue`, `outbox`, `closing`, `lost`, `lost_message` and
// `connect_ns` under `lock`; `waiting` (items dealt and not yet handed
// back) and `handle` are atomics; `sessions` (captured sessions it plays
// now) and `free_ns` are the main thread's.
struct Client {
  int32_t index = 0;
  SessionParams params;  // what it connects to (one server of --spread-hosts)
  int32_t server = 0;    // that server's row in run_stats.servers
  std::mutex lock;
  std::condition_variable ready;
  std::deque<Item> queue;
  std::vector<Done> outbox;
  bool closing = false;
  bool sleeping = false;  // waiting for statements: a push must wake it
  bool lost = false;
  bool lost_reported = false;
  std::string lost_message;
  int64_t connect_ns = -1;  // -1: not yet connected
  std::atomic<size_t> waiting{0};
  std::atomic<ql_handle> handle{0};
  std::atomic<bool> exited{false};  // its thread has ended (or never started)
  std::thread thread;
  int32_t sessions = 0;
  int64_t free_ns = 0;  // when its previous statement finished, for busy time
};

// The clients of the run (main thread).
struct Clients {
  std::vector<std::unique_ptr<Client>> all;
  SessionParams params;
  std::atomic<bool> stopping{false};  // every client stops taking statements
  // The main thread waits here for room in a queue or for the end;
  // clients wake it only while it says it waits.
  std::mutex lock;
  std::condition_variable progress;
  std::atomic<bool> main_waiting{false};
  // While it waits: wake it once the statements waiting over all clients
  // are down to this many (or a client has none left, or ends).
  std::atomic<size_t> wake_at{0};
  std::atomic<size_t> waiting{0};  // over all clients (kMaxWaiting)
  // Dealing: the block the unit under way belongs to (logs without
  // sessions), the captured sessions, the schedule.
  bool in_block = false;
  Client* block_client = nullptr;
  struct Captured {
    Client* client = nullptr;
    bool in_block = false;
  };
  std::unordered_map<uint32_t, Captured> captured;
  size_t next_pick = 0;
  uint64_t units_dealt = 0;
  int64_t schedule_start_ns = 0;
  int64_t first_time_us = 0;
  uint64_t since_drain = 0;
  bool sharing_said = false;  // the warning that captured sessions share clients
};

Clients* clients = nullptr;
bool (*stop_check)() = nullptr;
bool captured_replay = false;

// Statements dealt and not yet handed back, over all clients. The bound is
// shared rather than per client: a client held up by a lock that another
// session's open transaction keeps must not stop the log from being read
// on, or the statement that ends that transaction would never be dealt.
constexpr size_t kMaxWaiting = 65536;

void discard_copy_out(void*, const char*, int32_t) {}

// Runs statements [0, n) of `batch` on the client's session, stamped.
void run_batch(ql_handle handle, std::vector<Item>& batch, std::vector<Done>& done) {
  const size_t n = batch.size();
  std::vector<const char*> texts(n);
  for (size_t i = 0; i < n; ++i) texts[i] = batch[i].text.c_str();
  ClientError error{};
  if (n == 1 && !batch[0].query && is_copy(texts[0])) {
    // A COPY's data travels after its statement's line.
    std::string& text = batch[0].text;
    size_t line_end = text.find('\n');
    std::string statement = text.substr(0, line_end);
    const char* data = line_end == std::string::npos ? "" : text.c_str() + line_end + 1;
    ql_copy(handle, statement.c_str(), data, static_cast<int64_t>(std::strlen(data)), discard_copy_out, nullptr,
            &error);
  } else {
    std::vector<int32_t> columns(n), rows(n), fetched(n), returns_rows(n);
    ql_cursor cursor = ql_pool_run(handle, texts.data(), static_cast<int32_t>(n), columns.data(), rows.data(),
                                   fetched.data(), returns_rows.data(), &error);
    if (cursor != 0) ql_pool_close_cursor(cursor);
  }
  std::vector<ql_entry_timing> timings(n);
  const auto known = static_cast<size_t>(ql_last_timings(handle, timings.data(), static_cast<int32_t>(n)));
  for (size_t i = 0; i < n; ++i) {
    Done d;
    d.due_ns = batch[i].due_ns;
    d.shape = batch[i].shape;
    d.query = batch[i].query;
    d.ends_unit = batch[i].ends_unit;
    if (i >= known) {
      d.code = error.code != 0 ? error.code : QL_ERR_HANDLE;
      d.message = error.code != 0 ? error.text : "no outcome from the client library";
    } else {
      d.started_ns = timings[i].started_ns;
      d.finished_ns = timings[i].finished_ns;
      d.code = timings[i].code == QL_ERR_EMPTY ? 0 : timings[i].code;
      if (d.code != 0) {
        ClientError entry{};
        ql_last_entry_error(handle, static_cast<int32_t>(i), &entry);
        entry.text[sizeof entry.text - 1] = '\0';
        d.message = entry.text;
      }
    }
    done.push_back(std::move(d));
  }
}

// Wakes the main thread when it waits (taking the lock, so that the
// wake-up cannot fall between its test and its sleep).
void wake_main() {
  if (!clients->main_waiting.load()) return;
  std::lock_guard<std::mutex> guard(clients->lock);
  clients->progress.notify_all();
}

// Sleeps until `due_ns`, waking now and then to see whether the run stops.
void wait_until(int64_t due_ns) {
  for (;;) {
    const int64_t now = monotonic_ns();
    if (now >= due_ns || clients->stopping.load()) return;
    std::this_thread::sleep_for(std::chrono::nanoseconds(std::min<int64_t>(due_ns - now, 50000000)));
  }
}

void hand_back(Client& client, std::vector<Done>& done, bool lost, const std::string& message) {
  {
    std::lock_guard<std::mutex> guard(client.lock);
    for (Done& d : done) client.outbox.push_back(std::move(d));
    if (lost) {
      client.lost = true;
      client.lost_message = message;
    }
  }
  const size_t n = done.size();
  const size_t own = client.waiting.fetch_sub(n) - n;
  const size_t all = clients->waiting.fetch_sub(n) - n;
  done.clear();
  // Only what the main thread waits for wakes it: room enough to deal on,
  // or a client with nothing left (the end, a schema change).
  if (lost || own == 0 || all <= clients->wake_at.load()) wake_main();
}

void run_client(Client& client) {
  // A statement due at a set time is sent when its sleep ends: without
  // this the kernel may end the sleep up to 50 µs late, which the latency
  // counted from the schedule would show.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  const int64_t opening = monotonic_ns();
  ClientError error{};
  ql_handle handle = open_session(client.params, &error);
  {
    std::lock_guard<std::mutex> guard(client.lock);
    client.connect_ns = monotonic_ns() - opening;
  }
  std::vector<Done> done;
  if (handle == 0) {
    error.text[sizeof error.text - 1] = '\0';
    hand_back(client, done, true, std::string("could not connect: ") + error.text);
    client.exited.store(true);
    return;
  }
  client.handle.store(handle);
  std::vector<Item> batch;
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(client.lock);
      client.sleeping = true;
      client.ready.wait(guard, [&] { return !client.queue.empty() || client.closing; });
      client.sleeping = false;
      if (client.queue.empty() || clients->stopping.load()) break;
      // Up to --pipeline statements that may go at once: a statement with a
      // due time starts a batch of its own, and a COPY goes alone.
      batch.clear();
      batch.push_back(std::move(client.queue.front()));
      client.queue.pop_front();
      const bool alone = is_copy(batch[0].text.c_str());
      while (!alone && batch.size() < static_cast<size_t>(settings.pipeline) && !client.queue.empty() &&
             client.queue.front().due_ns == 0 && !is_copy(client.queue.front().text.c_str())) {
        batch.push_back(std::move(client.queue.front()));
        client.queue.pop_front();
      }
    }
    if (batch[0].due_ns != 0) wait_until(batch[0].due_ns);
    if (clients->stopping.load()) break;
    run_batch(handle, batch, done);
    bool lost = false;
    std::string message;
    for (const Done& d : done) {
      if (d.code == QL_ERR_LOST) {
        lost = true;
        message = d.message;
        break;
      }
    }
    hand_back(client, done, lost, message);
    if (lost) break;
  }
  client.handle.store(0);
  ql_close(handle);
  client.exited.store(true);
  wake_main();
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
  // Client threads take no signal: they are the main thread's.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
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
  std::vector<Done> done;
  for (auto& owned : clients->all) {
    Client& c = *owned;
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
        if (run_state.stop_on_error) clients->stopping.store(true);
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
      clients->stopping.store(true);
    }
  }
  if (run_stats.active) progress_tick(monotonic_ns());
  if (clients->stopping.load()) {
    outcome.next = Next::end_run;
    if (run_state.stop_on_error && !run_state.lost_connection) outcome.end = RunEnd::error_stop;
  }
  return outcome;
}

// The client that runs this statement, and whether the statement ends its
// unit.
Client* pick_client(const char* text, const StatementOrigin& origin, bool* ends_unit) {
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
                        " clients: sessions share clients, and a statement of one may run inside another's "
                        "open transaction; raise --clients=")
                           .c_str());
          }
        }
      }
      ++session.client->sessions;
    }
    if (!session.in_block && begins_transaction(text)) session.in_block = true;
    if (session.in_block && ends_transaction(text)) session.in_block = false;
    *ends_unit = !session.in_block;
    Client* client = session.client;
    if (origin.session_ends) {
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
    if (begins_transaction(text)) {
      clients->in_block = true;
      clients->block_client = client;
    }
  }
  if (clients->in_block && ends_transaction(text)) clients->in_block = false;
  *ends_unit = !clients->in_block;
  return client;
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

// Whether a statement changes what the others run against (the schema):
// it waits for everything dealt before it, and nothing dealt after it
// starts before it has finished, so that a log that sets up its tables
// before loading them works as it reads.
bool is_barrier(const char* text) {
  static const char* const kWords[] = {"create", "alter", "drop", "truncate", "vacuum", "analyze", "reindex",
                                       "cluster", "grant", "revoke", "comment"};
  const char* at = skip_blanks(text);
  for (const char* word : kWords) {
    size_t n = std::strlen(word);
    if (begins_with_ignoring_case(at, word) && (at[n] == '\0' || is_blank(at[n]) || at[n] == ';')) return true;
  }
  return false;
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

bool clients_mode() { return settings.clients > 0 || captured_replay; }

void set_captured_replay(bool playing) { captured_replay = playing; }

void set_clients_stop_check(bool (*stop_requested)()) { stop_check = stop_requested; }

Outcome deal_statement(const char* text, bool query, const StatementOrigin& origin) {
  if (clients == nullptr) start_clients();
  if (clients->stopping.load()) return drain();
  Outcome waited;
  const bool barrier = origin.session == 0 && !clients->in_block && is_barrier(text);
  if (barrier && !wait_for_all(&waited)) return waited;
  const bool starts_unit = origin.session != 0 ? clients->captured.count(origin.session) == 0 ||
                                                     !clients->captured[origin.session].in_block
                                               : !clients->in_block;
  bool ends_unit = true;
  Client* client = pick_client(text, origin, &ends_unit);
  Item item;
  item.text = text;
  item.query = query;
  item.ends_unit = ends_unit;
  item.shape = shape_id(text);
  item.due_ns = due_time(origin, starts_unit);
  // Waits for room, taking in what the clients handed back meanwhile: the
  // log is read no faster than it is played, so memory stays flat however
  // long it is.
  while (clients->waiting.load() >= kMaxWaiting) {
    Outcome outcome = drain();
    if (outcome.next == Next::end_run) return outcome;
    if (stop_requested()) return Outcome{Next::end_run, RunEnd::interrupted};
    wait_for_clients([&] { return clients->waiting.load() < kMaxWaiting; }, kMaxWaiting / 2);
  }
  client->waiting.fetch_add(1);
  clients->waiting.fetch_add(1);
  bool wake;
  {
    std::lock_guard<std::mutex> guard(client->lock);
    client->queue.push_back(std::move(item));
    wake = client->sleeping;
  }
  if (wake) client->ready.notify_one();
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
  for (auto& c : clients->all) {
    std::lock_guard<std::mutex> guard(c->lock);
    c->closing = true;
  }
  for (auto& c : clients->all) c->ready.notify_one();
  Outcome outcome;
  for (;;) {
    if (cancel || stop_requested()) {
      cancel = true;
      clients->stopping.store(true);
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
  clients->stopping.store(true);
  for (auto& c : clients->all) {
    {
      std::lock_guard<std::mutex> guard(c->lock);
      c->closing = true;
    }
    c->ready.notify_one();
    if (c->thread.joinable()) c->thread.join();
  }
  outcome.merge(drain());
  delete clients;
  clients = nullptr;
  if (cancel && outcome.next != Next::end_run) outcome = Outcome{Next::end_run, RunEnd::interrupted};
  return outcome;
}

}  // namespace tarnwick
