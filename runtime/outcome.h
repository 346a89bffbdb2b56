// Outcome: what running one statement, console command or batch leaves for
// the loop that runs them. Every layer below the loop returns one; only the
// loop reports failures and decides from them whether to go on, end the
// source or end the run (console/statement_loop.cpp). There is no other
// way for a run to be told to stop.
#pragma once

#include <cstdint>

namespace tarnwick {

// Where the loop goes after a statement.
enum class Next {
  go_on,       // the next statement of the source
  end_source,  // the next source (quit, a lost connection, the statement limit)
  end_run,     // nothing more runs (see RunEnd)
};

// Why a run ends before its last source.
enum class RunEnd {
  none,
  error_stop,   // a statement failed under --on-error=stop: exit code 3
  interrupted,  // Ctrl-C (SIGINT) in a run that does not read a terminal: 130
  unreadable,   // a source could not be read, under --on-error=stop: 1
};

struct Outcome {
  Next next = Next::go_on;
  RunEnd end = RunEnd::none;  // with Next::end_run
  // 0, or the client-library code of the failure; the message is in
  // client_error until the loop reports it.
  int32_t code = 0;
  // The failure shows already (a batch's -1 counts): the loop names it
  // only when it ends the run.
  bool shown = false;
  // Under --debug, a statement other than a query failed and was traced:
  // the loop reopens the connection once it has reported the failure.
  bool reopen = false;
  // The failure came after COPY data on standard output: its line goes to
  // standard error, so that an export cut short holds no message.
  bool after_data = false;

  bool failed() const { return code != 0; }
  // Takes the stronger way on, and the first failure.
  void merge(const Outcome& other) {
    if (other.next > next) {
      next = other.next;
      end = other.end;
    }
    // A failure that does not show yet wins over one that does.
    if (other.code != 0 && (code == 0 || (shown && !other.shown))) {
      code = other.code;
      shown = other.shown;
      reopen = other.reopen;
      after_data = other.after_data;
    }
  }
};

}  // namespace tarnwick
