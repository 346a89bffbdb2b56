#include "session/client_loop.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <deque>
#include <system_error>

#include "measure/run_stats.h"
#include "runtime/run_settings.h"
#include "session/client_state.h"
#include "session/execute.h"

namespace tarnwick {

namespace {

short poll_events(int32_t events) {
  return static_cast<short>(((events & QL_WAIT_READ) != 0 ? POLLIN : 0) |
                            ((events & QL_WAIT_WRITE) != 0 ? POLLOUT : 0));
}

}  // namespace

// A client as the loop serves it (loop thread only).
struct ClientLoop::Slot {
  Client* client = nullptr;
  ql_handle handle = 0;
  std::deque<Item> on_way;  // sent, in the order they finish
  int64_t next_tag = 0;
  bool ready = false;    // its socket has news, or statements finished without it
  bool done = false;     // lost, or the run stopped: nothing more runs on it
  // What to wait for, as the session last said; asked again only after a
  // call on it.
  pollfd wait{-1, 0, 0};
  bool asked = false;
};

ClientLoop::~ClientLoop() { end(); }

bool ClientLoop::open() {
  wake_fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return wake_fd_ >= 0;
}

bool ClientLoop::adopt(Client* client) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (ending_) return false;
    // The thread starts with the first client, so that a run whose engine
    // has no such sessions (SQLite) has none; it takes no signal, as the
    // client thread that starts it.
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread(&ClientLoop::run, this);
      } catch (const std::system_error&) {
        return false;
      }
    }
    adopted_.push_back(client);
  }
  wake();
  return true;
}

void ClientLoop::nudge() {
  if (wants_statements_.exchange(false)) wake();
}

void ClientLoop::wake() {
  if (wake_fd_ < 0) return;
  const uint64_t one = 1;
  // A counter that is full already wakes the loop all the same.
  [[maybe_unused]] ssize_t written = write(wake_fd_, &one, sizeof one);
}

void ClientLoop::end() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    ending_ = true;
  }
  wake();
  if (thread_.joinable()) thread_.join();
  if (wake_fd_ >= 0) close(wake_fd_);
  wake_fd_ = -1;
}

void ClientLoop::feed(Slot& slot, int64_t now, int64_t* next_due, bool* hungry) {
  const auto window = static_cast<size_t>(settings.pipeline);
  if (slot.on_way.size() >= window) return;
  std::vector<Item>& taken = taken_;
  taken.clear();
  bool copy = false;
  {
    std::lock_guard<std::mutex> guard(slot.client->lock);
    std::deque<Item>& queue = slot.client->queue;
    while (slot.on_way.size() + taken.size() < window && !queue.empty()) {
      Item& head = queue.front();
      if (head.due_ns > now) {
        *next_due = std::min(*next_due, head.due_ns);
        break;
      }
      if (head.copy) {
        // A COPY goes alone, once the statements before it have finished,
        // through the blocking calls that send its data.
        copy = slot.on_way.empty() && taken.empty();
        if (copy) {
          taken.push_back(std::move(head));
          queue.pop_front();
        }
        break;
      }
      taken.push_back(std::move(head));
      queue.pop_front();
    }
    if (queue.empty() && slot.on_way.size() + taken.size() < window) *hungry = true;
  }
  if (copy) {
    std::vector<Done> done;
    run_batch(slot.handle, taken, done);
    if (hand_back(*slot.client, done)) slot.done = true;
    return;
  }
  for (Item& item : taken) {
    ClientError error{};
    if (ql_async_send(slot.handle, item.text.c_str(), slot.next_tag++, &error) != 1) {
      // Only a broken handle refuses a statement within its window.
      std::vector<Done> done(1, Done(item));
      done[0].code = QL_ERR_LOST;
      done[0].message = error.text;
      hand_back(*slot.client, done);
      slot.done = true;
      return;
    }
    slot.on_way.push_back(std::move(item));
    slot.asked = false;
  }
}

void ClientLoop::collect(Slot& slot) {
  slot.asked = false;
  slot.ready = false;
  if (ql_async_work(slot.handle, nullptr) <= 0) return;
  std::vector<Done>& done = done_;
  done.clear();
  ql_async_done finished{};
  ClientError error{};
  while (!slot.on_way.empty() && ql_async_next(slot.handle, &finished, &error) == 1) {
    Done d(slot.on_way.front());
    slot.on_way.pop_front();
    d.started_ns = finished.started_ns;
    d.finished_ns = finished.finished_ns;
    d.code = error.code == QL_ERR_EMPTY ? 0 : error.code;
    if (d.code != 0) {
      error.text[sizeof error.text - 1] = '\0';
      d.message = error.text;
    }
    done.push_back(std::move(d));
  }
  if (!done.empty() && hand_back(*slot.client, done)) slot.done = true;
}

bool ClientLoop::has_queued(const std::vector<Slot>& slots) const {
  for (const Slot& slot : slots) {
    if (slot.done || slot.on_way.size() >= static_cast<size_t>(settings.pipeline)) continue;
    std::lock_guard<std::mutex> guard(slot.client->lock);
    if (!slot.client->queue.empty()) return true;
  }
  return false;
}

void ClientLoop::run() {
  // Statements due at a set time are sent when the wait ends, not up to
  // 50 µs later (the kernel's default slack), which the latency counted
  // from the schedule would show.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::vector<Slot> slots;
  std::vector<pollfd> waits;
  std::vector<size_t> waiting_slots;
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (Client* client : adopted_) {
        Slot& slot = slots.emplace_back();
        slot.client = client;
        slot.handle = client->handle.load();
      }
      adopted_.clear();
      if (ending_) break;
    }
    const int64_t now = monotonic_ns();
    int64_t next_due = INT64_MAX;
    bool hungry = false;
    bool finished_now = false;  // a client has statements to take: no wait
    waits.assign(1, pollfd{wake_fd_, POLLIN, 0});
    waiting_slots.clear();
    for (size_t i = 0; i < slots.size(); ++i) {
      Slot& slot = slots[i];
      if (slot.done) continue;
      if (slot.ready) collect(slot);
      // Read after collecting: a failure just handed back under
      // --on-error=stop stops this client before it sends more.
      const bool stopping = clients->stopping.load();
      if (!stopping && !slot.done) feed(slot, now, &next_due, &hungry);
      if (!slot.done && stopping && slot.on_way.empty()) slot.done = true;
      if (slot.done) {
        slot.client->exited.store(true);
        wake_main();
        continue;
      }
      if (!slot.asked) {
        int32_t events = 0;
        slot.wait.fd = ql_async_wait(slot.handle, &events);
        slot.wait.events = poll_events(events);
        slot.asked = true;
      }
      if (slot.wait.fd < 0) continue;
      if (slot.wait.events == 0) {
        // Nothing on the wire: what it still holds has finished already.
        if (!slot.on_way.empty()) slot.ready = finished_now = true;
        continue;
      }
      waits.push_back(slot.wait);
      waiting_slots.push_back(i);
    }
    if (finished_now) continue;
    // Waiting for statements: the next one dealt wakes the loop, unless
    // one came while the clients were fed.
    if (hungry) {
      wants_statements_.store(true);
      if (has_queued(slots)) {
        wants_statements_.store(false);
        continue;
      }
    }
    timespec timeout{};
    if (next_due != INT64_MAX) {
      const int64_t left = std::max<int64_t>(0, next_due - monotonic_ns());
      timeout = {static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
    }
    const int ready = ppoll(waits.data(), waits.size(), next_due != INT64_MAX ? &timeout : nullptr, nullptr);
    wants_statements_.store(false);
    if (ready <= 0) continue;
    if (waits[0].revents != 0) {
      uint64_t count = 0;
      [[maybe_unused]] ssize_t read_bytes = read(wake_fd_, &count, sizeof count);
    }
    for (size_t k = 1; k < waits.size(); ++k) {
      if (waits[k].revents != 0) slots[waiting_slots[k - 1]].ready = true;
    }
  }
  for (Slot& slot : slots) {
    slot.client->handle.store(0);
    ql_close(slot.handle);
    slot.client->exited.store(true);
  }
  wake_main();
}

}  // namespace tarnwick
