// Ctrl-C (SIGINT). The signal handler only records the interrupt and wakes
// a watcher thread; the watcher asks the client library to cancel what
// runs on the connection named by set_cancel_target (ql_cancel may not be
// called from a signal handler). The main thread reads the record between
// statements.
//
//   at a terminal    each Ctrl-C cancels the running statement, or discards
//                    the line being typed; the shell goes on
//   otherwise        the first Ctrl-C cancels what runs and the run ends
//                    (exit code 130); a second one ends the process at once
#pragma once

#include "ql_client/ql_client.h"

namespace tarnwick {

// Installs the handler and starts the watcher; once per process.
void install_interrupts();

// Whether a terminal is being read (see above); the driver says so for
// each source. From the first terminal on, a hang-up no longer ends the
// process: the failing reads end the input.
void set_interactive(bool interactive);

// The handle to cancel on Ctrl-C while a statement runs; 0 while none runs.
void set_cancel_target(ql_handle handle);

// True when a Ctrl-C came since the last call; clears the record.
bool take_interrupt();
// The same without clearing it (for waits that stop at Ctrl-C).
bool interrupt_pending();

// True once a Ctrl-C came while no terminal was being read. Never cleared.
bool run_interrupted();

}  // namespace tarnwick
