#include "terminal/interrupts.h"

#include <fcntl.h>
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
std::atomic<bool> interactive_now{false};
// The handle to cancel (low 32 bits) and the number of the statement it
// runs (high 32 bits), in one word that the handler reads at once. The
// watcher may run late; it cancels only when the same statement still
// runs, never one that began after the Ctrl-C.
std::atomic<uint64_t> cancel_target{0};
uint32_t statement_number = 0;  // main thread only
int wake_pipe[2] = {-1, -1};
pthread_t main_thread;

void on_interrupt(int) {
  int saved = errno;
  // Any thread may take the signal (the client library's pool threads
  // included); only the main thread's blocking read must see it, so that a
  // line being typed is given up.
  if (!pthread_equal(pthread_self(), main_thread)) {
    pthread_kill(main_thread, SIGINT);
    errno = saved;
    return;
  }
  pending_interrupt = true;
  if (!interactive_now) {
    interrupted_run = true;
    signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the process at once
  }
  uint64_t target = cancel_target;
  ssize_t ignored = write(wake_pipe[1], &target, sizeof target);  // one write: atomic on a pipe
  (void)ignored;
  errno = saved;
}

void* watch(void*) {
  uint64_t target;
  for (;;) {
    ssize_t n = read(wake_pipe[0], &target, sizeof target);
    if (n < 0 && errno == EINTR) continue;
    if (n != sizeof target) return nullptr;
    ql_handle handle = static_cast<ql_handle>(static_cast<uint32_t>(target));
    if (handle != 0 && cancel_target == target) ql_cancel(handle);
  }
}

}  // namespace

void install_interrupts() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  main_thread = pthread_self();
  if (pipe2(wake_pipe, O_CLOEXEC) != 0) return;
  // The watcher never takes the signal itself.
  sigset_t blocked, previous;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  // Without the watcher (a thread limit) Ctrl-C is still recorded; only
  // the cancel of a running statement is lost.
  pthread_t watcher;
  if (pthread_create(&watcher, nullptr, watch, nullptr) == 0) pthread_detach(watcher);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  // No SA_RESTART: a read that waits for typed or piped input returns, so
  // that the line is given up or the run ends.
  struct sigaction action = {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

void set_interactive(bool interactive) {
  interactive_now = interactive;
  // A terminal that goes away (SIGHUP) ends the input as Ctrl-D does, since
  // its reads then fail, instead of killing the shell mid-way: the sessions
  // are closed and the history saved.
  if (interactive) signal(SIGHUP, SIG_IGN);
}

void set_cancel_target(ql_handle handle) {
  ++statement_number;
  cancel_target = (uint64_t{statement_number} << 32) | static_cast<uint32_t>(handle);
}

bool take_interrupt() { return pending_interrupt.exchange(false); }

bool interrupt_pending() { return pending_interrupt; }

bool run_interrupted() { return interrupted_run; }

}  // namespace tarnwick
