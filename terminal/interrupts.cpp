#include "terminal/interrupts.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cerrno>

namespace tarnwick {

namespace {

// Written by the handler and read by the main thread and the watcher;
// lock-free atomics are safe in a signal handler.
std::atomic<bool> pending_interrupt{false};
std::atomic<bool> interrupted_run{false};
std::atomic<int> ending_signal{0};  // the first signal that ended the run
std::atomic<bool> interactive_now{false};
// The handle to cancel (low 32 bits) and the number of the statement it
// runs (high 32 bits), in one word that the handler reads at once. The
// watcher may run late; it cancels only when the same statement still
// runs, never one that began after the Ctrl-C.
std::atomic<uint64_t> cancel_target{0};
uint32_t statement_number = 0;  // main thread only
int wake_pipe[2] = {-1, -1};
pthread_t main_thread;
// Whether SIGTERM is handled here (the parent did not ignore it); set once
// by install_interrupts, main thread only.
bool handles_termination = false;

void on_signal(int signal_number) {
  int saved = errno;
  // Any thread may take the signal (the client library's pool threads
  // included); only the main thread's blocking read must see it, so that a
  // line being typed is given up.
  if (!pthread_equal(pthread_self(), main_thread)) {
    pthread_kill(main_thread, signal_number);
    errno = saved;
    return;
  }
  pending_interrupt = true;
  if (signal_number != SIGINT || !interactive_now) {
    int none = 0;
    ending_signal.compare_exchange_strong(none, signal_number);
    interrupted_run = true;
    signal(signal_number, SIG_DFL);  // a second one ends the process at once
  }
  uint64_t target = cancel_target;
  ssize_t ignored = write(wake_pipe[1], &target, sizeof target);  // one write: atomic on a pipe
  (void)ignored;
  errno = saved;
}

void take_signal(int signal_number) {
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

// Whether the parent left `signal_number` ignored (nohup, say).
bool ignored_at_start(int signal_number) {
  struct sigaction current = {};
  return sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

ql_handle handle_of(uint64_t target) { return static_cast<ql_handle>(static_cast<uint32_t>(target)); }

// Cancels the statement that ran when the signal came, if it still runs.
// Once a signal has ended the run, whatever statement runs is cancelled
// again every kRecancelMs: one that the loop began just as the signal came
// would otherwise run to its end, since each library call forgets earlier
// cancels as it starts.
void* watch(void*) {
  constexpr int kRecancelMs = 250;
  uint64_t target;
  for (;;) {
    pollfd wake{wake_pipe[0], POLLIN, 0};
    int ready = poll(&wake, 1, interrupted_run ? kRecancelMs : -1);
    if (ready < 0 && errno != EINTR) return nullptr;
    if (ready <= 0) {
      ql_handle running = handle_of(cancel_target);
      if (interrupted_run && running != 0) ql_cancel(running);
      continue;
    }
    ssize_t n = read(wake_pipe[0], &target, sizeof target);
    if (n < 0 && errno == EINTR) continue;
    if (n != sizeof target) return nullptr;
    if (handle_of(target) != 0 && cancel_target == target) ql_cancel(handle_of(target));
  }
}

}  // namespace

void install_interrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  main_thread = pthread_self();
  // Without the watcher (no descriptors for its pipe, a thread limit) the
  // signals are still recorded; only the cancel of a running statement is
  // lost.
  if (pipe2(wake_pipe, O_CLOEXEC) == 0) {
    // The watcher never takes the signals itself.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (int blocked_signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&blocked, blocked_signal);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    pthread_t watcher;
    if (pthread_create(&watcher, nullptr, watch, nullptr) == 0) pthread_detach(watcher);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }

  // No SA_RESTART: a read that waits for typed or piped input returns, so
  // that the line is given up or the run ends.
  take_signal(SIGINT);
  handles_termination = !ignored_at_start(SIGTERM);
  if (handles_termination) take_signal(SIGTERM);
  if (!ignored_at_start(SIGHUP)) take_signal(SIGHUP);
}

void set_interactive(bool interactive) {
  interactive_now = interactive;
  if (interactive) {
    // A terminal that goes away (SIGHUP) ends the input as Ctrl-D does,
    // since its reads then fail, instead of killing the shell mid-way: the
    // sessions are closed and the history saved.
    signal(SIGHUP, SIG_IGN);
    if (handles_termination) signal(SIGTERM, SIG_DFL);
  } else if (handles_termination && !interrupted_run) {
    take_signal(SIGTERM);
  }
}

void set_cancel_target(ql_handle handle) {
  ++statement_number;
  cancel_target = (uint64_t{statement_number} << 32) | static_cast<uint32_t>(handle);
}

bool take_interrupt() { return pending_interrupt.exchange(false); }

bool interrupt_pending() { return pending_interrupt; }

bool run_interrupted() { return interrupted_run; }

int interrupt_exit_code() {
  int signal_number = ending_signal;
  return 128 + (signal_number != 0 ? signal_number : SIGINT);
}

}  // namespace tarnwick
