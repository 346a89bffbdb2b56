// Ctrl-C (SIGINT), and SIGTERM and SIGHUP. The signal handler only records
// the signal and wakes a watcher thread; the watcher asks the client
// library to cancel what runs on the connection named by set_cancel_target
// (ql_cancel may not be called from a signal handler); once a signal has
// ended the run it goes on cancelling whatever runs, so that a statement
// begun just as the signal came stops too. The main thread reads the record
// between statements.
//
//   Ctrl-C at a terminal   cancels the running statement, or discards the
//                          line being typed; the shell goes on
//   Ctrl-C otherwise       the first one cancels what runs and the run ends
//                          (exit code 130); a second one ends the process
//                          at once
//   SIGTERM, SIGHUP        as Ctrl-C outside a terminal, with exit code
//                          128 + the signal (143, 129): what a shell shows
//                          for a process the signal ended; a second one of
//                          the same signal ends the process at once
//
// While a terminal is read, SIGTERM keeps its default action (it ends the
// shell at once, as it ends psql), and from the first terminal on SIGHUP is
// ignored: the terminal's failing reads end the input instead. A SIGTERM or
// SIGHUP that the parent set to be ignored (nohup) stays ignored.
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Installs the handlers and starts the watcher; once per process.
void install_interrupts();

// Whether a terminal is being read (see above); the driver says so for
// each source.
void set_interactive(bool interactive);

// The handle to cancel on Ctrl-C while a statement runs; 0 while none runs.
void set_cancel_target(ql_handle handle);

// True when a Ctrl-C (or an ending signal) came since the last call;
// clears the record.
bool take_interrupt();
// The same without clearing it (for waits that stop at Ctrl-C).
bool interrupt_pending();

// True once a signal ended the run: Ctrl-C while no terminal was being
// read, SIGTERM or SIGHUP. Never cleared.
bool run_interrupted();

// The exit code of a run that run_interrupted() says was ended: 128 plus
// the number of the first signal that ended it (130 for Ctrl-C, 143 for
// SIGTERM, 129 for SIGHUP).
int interrupt_exit_code();

}  // namespace tarnwick
