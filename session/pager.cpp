#include "session/pager.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"

extern char** environ;

namespace tarnwick {

namespace {

// Set once a pager could not be started: said once, then no more paging
// in this run (main thread only).
bool pager_failed = false;

constexpr int kShellNotFound = 127;    // the shell found no such command
constexpr int kShellNotRunnable = 126;  // found, but it cannot be run

// The terminal's size, or false when standard output has none (a window
// size of 0 says nothing either).
bool screen_size(int* rows, int* columns) {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0) return false;
  *rows = size.ws_row;
  *columns = size.ws_col > 0 ? size.ws_col : 80;
  return true;
}

bool paging_on() {
  return output_is_console && run_state.pager && !pager_failed && !settings.suppress_results;
}

// The rows `text` takes on a screen `columns` wide (a line wider than the
// screen wraps onto the next rows), counted up to `limit`.
int64_t rows_on_screen(std::string_view text, int columns, int64_t limit) {
  int64_t rows = 0;
  while (!text.empty() && rows < limit) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    int64_t width = console_width(line.data(), line.size());
    rows += width <= columns ? 1 : (width + columns - 1) / columns;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return rows;
}

// Writes all of `text` to `descriptor`; stops at the first failure (the
// pager was quit before it read everything).
void write_all(int descriptor, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = write(descriptor, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

struct sigaction ignore_signal(int signal_number) {
  struct sigaction ignored = {}, saved = {};
  ignored.sa_handler = SIG_IGN;
  sigemptyset(&ignored.sa_mask);
  sigaction(signal_number, &ignored, &saved);
  return saved;
}

// Runs `command` through /bin/sh -c with `text` on its standard input and
// waits for it. False when it could not be started; then none of the text
// was shown. The pager gets the default action of the signals the shell
// ignores or handles here, so that Ctrl-C and a hang-up reach it as usual.
bool run_pager(const std::string& command, std::string_view text) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int signal_number : {SIGINT, SIGPIPE, SIGTERM, SIGHUP}) sigaddset(&defaults, signal_number);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  // The pager has the terminal's keys: Ctrl-C is its own, and a pager quit
  // early makes the writes below fail with EPIPE instead of ending the run.
  struct sigaction saved_interrupt = ignore_signal(SIGINT);
  struct sigaction saved_pipe = ignore_signal(SIGPIPE);
  std::fflush(stdout);
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t child = -1;
  int spawned = posix_spawn(&child, "/bin/sh", &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(ends[0]);
  int status = 0;
  if (spawned == 0) write_all(ends[1], text);
  close(ends[1]);  // the end of the pager's input
  while (spawned == 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  sigaction(SIGPIPE, &saved_pipe, nullptr);
  sigaction(SIGINT, &saved_interrupt, nullptr);
  if (spawned != 0) return false;
  return !(WIFEXITED(status) && (WEXITSTATUS(status) == kShellNotFound || WEXITSTATUS(status) == kShellNotRunnable));
}

}  // namespace

std::optional<std::string> pager_command() {
  const char* value = std::getenv("TARNWICK_PAGER");
  if (value == nullptr) value = std::getenv("PAGER");
  if (value == nullptr) return std::string("less -S");
  std::string command = value;
  if (command.find_first_not_of(" \t\n") == std::string::npos) return std::nullopt;
  return command;
}

ResultOutput open_result_output() {
  ResultOutput output;
  int rows = 0, columns = 0;
  if (!paging_on() || !screen_size(&rows, &columns) || !pager_command()) return output;
  FILE* memory = open_memstream(&output.text, &output.length);
  if (memory == nullptr) return output;
  output.stream = memory;
  output.held = true;
  return output;
}

void close_result_output(ResultOutput* output) {
  if (!output->held) return;
  std::fclose(output->stream);
  output->stream = stdout;
  output->held = false;
  std::string_view text(output->text, output->length);
  int rows = 0, columns = 0;
  // The prompt, or whatever follows, takes the screen's last row.
  bool page = screen_size(&rows, &columns) && rows_on_screen(text, columns, rows) >= rows;
  std::optional<std::string> command = page ? pager_command() : std::nullopt;
  if (!command || !run_pager(*command, text)) {
    if (command) {
      pager_failed = true;
      error_line("Warning : could not start the pager '", command->c_str(), "'; results are shown without it");
    }
    out_bytes(text.data(), text.size());
    end_statement_output();
  }
  std::free(output->text);
  output->text = nullptr;
  output->length = 0;
}

void reset_pager_state() { pager_failed = false; }

}  // namespace tarnwick
