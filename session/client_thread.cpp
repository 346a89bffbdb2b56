// A client's own thread: it connects, and then either hands the client to
// its event loop (a session that takes statements without blocking) or
// runs the client's queue itself, up to --pipeline statements at a time,
// through the blocking calls (SQLite).
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/run_settings.h"
#include "session/client_loop.h"
#include "session/client_state.h"
#include "session/execute.h"

namespace tarnwick {

namespace {

void discard_copy_out(void*, const char*, int32_t) {}

// Sleeps until `due_ns`, waking now and then to see whether the run stops.
void wait_until(int64_t due_ns) {
  for (;;) {
    const int64_t now = monotonic_ns();
    if (now >= due_ns || clients->stopping.load()) return;
    std::this_thread::sleep_for(std::chrono::nanoseconds(std::min<int64_t>(due_ns - now, 50000000)));
  }
}

// Whether the loop took the client: its session takes statements without
// blocking, a window of --pipeline of them.
bool hand_to_loop(Client& client, ql_handle handle) {
  if (client.loop == nullptr || ql_async_start(handle, settings.pipeline, nullptr) != 1) return false;
  // An engine without prepared statements runs the text as it stands.
  if (settings.prepared) ql_async_prepare(handle, nullptr);
  return client.loop->adopt(&client);
}

// Runs the client's queue on this thread until it closes or the run stops.
void run_queue(Client& client, ql_handle handle) {
  std::vector<Item> batch;
  std::vector<Done> done;
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
      const bool alone = batch[0].copy;
      while (!alone && batch.size() < static_cast<size_t>(settings.pipeline) && !client.queue.empty() &&
             client.queue.front().due_ns == 0 && !client.queue.front().copy) {
        batch.push_back(std::move(client.queue.front()));
        client.queue.pop_front();
      }
    }
    if (batch[0].due_ns != 0) wait_until(batch[0].due_ns);
    if (clients->stopping.load()) break;
    run_batch(handle, batch, done);
    if (hand_back(client, done)) break;
  }
}

}  // namespace

void run_batch(ql_handle handle, std::vector<Item>& batch, std::vector<Done>& done) {
  const size_t n = batch.size();
  std::vector<const char*> texts(n);
  for (size_t i = 0; i < n; ++i) texts[i] = batch[i].text.c_str();
  ClientError error{};
  if (n == 1 && !batch[0].query && batch[0].copy) {
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
    Done d(batch[i]);
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

void wake_main() {
  if (!clients->main_waiting.load()) return;
  // Under the lock, so that the wake-up cannot fall between its test and its sleep.
  std::lock_guard<std::mutex> guard(clients->lock);
  clients->progress.notify_all();
}

void hand_back(Client& client, std::vector<Done>& done, bool lost, const std::string& message) {
  bool failed = false;
  for (const Done& d : done) failed = failed || (d.code != 0 && !d.internal);
  {
    std::lock_guard<std::mutex> guard(client.lock);
    for (Done& d : done) client.outbox.push_back(std::move(d));
    if (lost) {
      client.lost = true;
      client.lost_message = message;
    }
  }
  // Under --on-error=stop the first failure stops every client now: what
  // they were dealt and have not sent stays unsent.
  if (failed && clients->stop_on_error.load(std::memory_order_relaxed)) clients->stopping.store(true);
  const size_t n = done.size();
  const size_t own = client.waiting.fetch_sub(n) - n;
  const size_t all = clients->waiting.fetch_sub(n) - n;
  done.clear();
  // Only what the main thread waits for wakes it: room enough to deal on,
  // or a client with nothing left (the end, a schema change).
  if (lost || own == 0 || all <= clients->wake_at.load()) wake_main();
}

bool hand_back(Client& client, std::vector<Done>& done) {
  for (const Done& d : done) {
    if (d.code == QL_ERR_LOST) {
      const std::string message = d.message;
      hand_back(client, done, true, message);
      return true;
    }
  }
  hand_back(client, done, false, "");
  return false;
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
  if (handle == 0) {
    std::vector<Done> none;
    error.text[sizeof error.text - 1] = '\0';
    hand_back(client, none, true, std::string("could not connect: ") + error.text);
    client.exited.store(true);
    return;
  }
  client.handle.store(handle);
  if (hand_to_loop(client, handle)) return;
  run_queue(client, handle);
  client.handle.store(0);
  ql_close(handle);
  client.exited.store(true);
  wake_main();
}

}  // namespace tarnwick
