// The records of independent clients (--clients=) that the main thread
// (session/clients.cpp), the client threads (session/client_thread.cpp) and
// the event loops (session/client_loop.cpp) share, with their thread rules.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ql_client/ql_client.h"
#include "session/connection.h"

namespace tarnwick {

class ClientLoop;

// One statement dealt to a client.
struct Item {
  std::string text;
  int64_t due_ns = 0;  // not sent before (monotonic_ns); 0: at once
  int32_t shape = -1;
  bool query = false;
  bool copy = false;  // a COPY: it goes alone, with its data
  bool ends_unit = true;
  // Not of the log: the rollback that ends the open block of a captured
  // session that ended, as its server did; left out of every figure.
  bool internal = false;
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
  bool internal = false;
  std::string message;  // when it failed

  // What was known of the statement when it was dealt.
  explicit Done(const Item& item)
      : due_ns(item.due_ns), shape(item.shape), query(item.query), ends_unit(item.ends_unit),
        internal(item.internal) {}
};

// One independent client: its own session and queue, run by a thread of
// its own, or, once its session takes statements without blocking, by the
// event loop it was given.
// Thread rules: `queue`, `outbox`, `closing`, `sleeping`, `lost`,
// `lost_message` and `connect_ns` under `lock`; `waiting` (items dealt and
// not yet handed back), `handle` and `exited` are atomics; `loop` is set
// before the thread starts; `drained`, `sessions` (captured sessions it
// plays now) and `free_ns` are the main thread's.
struct Client {
  int32_t index = 0;
  SessionParams params;  // what it connects to (one server of --spread-hosts)
  int32_t server = 0;    // that server's row in run_stats.servers
  ClientLoop* loop = nullptr;  // null: its thread runs it to the end
  std::mutex lock;
  std::condition_variable ready;
  std::deque<Item> queue;
  std::vector<Done> outbox;
  // The main thread's side of the outbox: the two trade places at each
  // drain and keep their room, so that handing back allocates nothing
  // once a run is under way.
  std::vector<Done> drained;
  bool closing = false;
  bool sleeping = false;  // its thread waits for statements: a push must wake it
  bool lost = false;
  bool lost_reported = false;
  std::string lost_message;
  int64_t connect_ns = -1;  // -1: not yet connected
  std::atomic<size_t> waiting{0};
  std::atomic<ql_handle> handle{0};
  // Nothing more runs on it: its thread or its loop is done with it (or
  // its thread never started).
  std::atomic<bool> exited{false};
  std::thread thread;
  int32_t sessions = 0;
  int64_t free_ns = 0;  // when its previous statement finished, for busy time
  // Captured sessions that share this client take turns between their
  // transactions (main thread only): the session whose block is open here,
  // and the statements of the others, held in their order until it ends.
  uint32_t block_session = 0;
  struct Held {
    Item item;
    uint32_t session = 0;
    bool in_block_after = false;  // its session's block is open after it
  };
  std::deque<Held> held;
  std::unordered_map<uint32_t, size_t> held_by_session;  // statements of each in `held`
};

// The clients of the run (main thread, but for the atomics and locks).
struct Clients {
  Clients();
  ~Clients();

  std::vector<std::unique_ptr<Client>> all;
  std::vector<std::unique_ptr<ClientLoop>> loops;  // made as clients need them
  SessionParams params;
  std::atomic<bool> stopping{false};  // every client stops taking statements
  // --on-error=stop as the statements being dealt have it (a script may
  // change it): a client that sees a failure then stops every client at
  // once, so that nothing it was dealt after the failure is sent.
  std::atomic<bool> stop_on_error{false};
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
  size_t held = 0;  // statements held for their turn, over all clients
  bool forced_said = false;  // the warning that held statements ran inside a block
};

extern Clients* clients;

// Wakes the main thread when it waits.
void wake_main();

// Hands `done` back to the main thread (and empties it); `lost` with its
// message when the client's connection is gone.
void hand_back(Client& client, std::vector<Done>& done, bool lost, const std::string& message);
// The same, lost when one of them says so (with its message); returns
// whether the client is lost.
bool hand_back(Client& client, std::vector<Done>& done);

// Runs `batch` (a COPY alone, else up to --pipeline statements) on the
// handle through the blocking calls, appending what each did to `done`.
void run_batch(ql_handle handle, std::vector<Item>& batch, std::vector<Done>& done);

// The thread of one client: connects, then hands the client to its loop
// when its session takes statements without blocking, else runs its queue.
void run_client(Client& client);

}  // namespace tarnwick
