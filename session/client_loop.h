// An event loop that runs several independent clients on one thread: each
// client's session takes statements without blocking (ql_async_*), and the
// loop waits with poll() on all their sockets at once, keeping up to
// --pipeline statements on the way on each session and sending the next as
// soon as one has finished. A run has at most one loop per processor core,
// so that a few threads carry many clients without switching between them.
//
// Thread rules: adopt comes from a client's own thread once it has
// connected, nudge and wake from the main thread, everything else of the
// clients it serves runs on the loop's thread until end().
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {

struct Client;
struct Item;
struct Done;

class ClientLoop {
 public:
  ClientLoop() = default;
  ~ClientLoop();  // end()
  ClientLoop(const ClientLoop&) = delete;
  ClientLoop& operator=(const ClientLoop&) = delete;

  // Makes what wakes the loop; false when the system refuses (its clients
  // then keep threads of their own).
  bool open();
  // Serves `client` from now on: its handle is open and takes statements
  // without blocking; the first client starts the thread. False once the
  // loop is ending, or when the thread cannot start.
  bool adopt(Client* client);
  // After a statement was dealt to one of its clients: wakes the loop when
  // it waits for statements.
  void nudge();
  // Wakes the loop, to see that the run stops.
  void wake();
  // After its clients are done: closes their handles and ends the thread.
  void end();

 private:
  struct Slot;

  void run();
  // Sends what the client's queue holds and its window takes; notes the
  // first due time not yet reached and whether its window waits for
  // statements.
  void feed(Slot& slot, int64_t now, int64_t* next_due, bool* hungry);
  // Reads what the session finished and hands it back.
  void collect(Slot& slot);
  // Whether a client whose window has room has statements queued now.
  bool has_queued(const std::vector<Slot>& slots) const;

  std::vector<Item> taken_;  // feed's, kept for its room
  std::vector<Done> done_;   // collect's, likewise
  int wake_fd_ = -1;
  std::mutex lock_;  // adopted_ and ending_
  std::vector<Client*> adopted_;
  bool ending_ = false;
  // The loop waits for statements: the next one dealt must wake it.
  std::atomic<bool> wants_statements_{false};
  std::thread thread_;
};

}  // namespace tarnwick
