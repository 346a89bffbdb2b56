// The three ways a run sends its statements, behind one interface:
//   one at a time  each statement alone through the single-statement calls
//                  (--statements=1);
//   pool batches   statements gathered into batches of --statements= for the
//                  pool of --sessions=, queries and others apart, a
//                  transaction block and a COPY alone;
//   clients        independent clients (--clients=, and every captured log),
//                  each with its own session (session/clients.h).
// The driver picks one for the run (make_runner); a captured log installs
// clients for as long as it plays when the run has none (RunnerScope). The
// statement loop and the interpreter only call the runner installed now.
#pragma once

#include <memory>

#include "runtime/outcome.h"
#include "session/clients.h"
#include "sqltext/statement_info.h"

namespace tarnwick {

class Runner {
 public:
  virtual ~Runner() = default;
  // Runs `text` (NUL-terminated), or queues it with what is waiting.
  virtual Outcome submit(const char* text, const sqltext::StatementInfo& info, const StatementOrigin& origin) = 0;
  // Sends what is waiting: before a pause, a wait, a reconnect or \connect.
  virtual Outcome flush() = 0;
  // The run's sending ends: what is waiting is sent and everything sent has
  // finished; with `cancel`, what waits is dropped and what runs stopped.
  virtual Outcome finish(bool cancel) = 0;
  // Whether a COPY record's data goes with its statement (clients), rather
  // than from the copy feed when the engine asks for it.
  virtual bool copy_data_with_statement() const { return false; }
};

// The runner the settings ask for: clients under --clients=, one at a time
// under --statements=1, pool batches otherwise.
std::unique_ptr<Runner> make_runner();
std::unique_ptr<Runner> make_clients_runner();

// The runner installed now; made by make_runner at first use when none is.
Runner& runner();
// Installs `runner` as the run's; the one installed before is destroyed.
void use_runner(std::unique_ptr<Runner> runner);
// Forgets the run's runner without finishing it (for tests' fresh runs).
void reset_runner();

// Installs a runner for as long as the scope lasts, then puts the run's
// back: a captured log played on clients in a run that has none.
class RunnerScope {
 public:
  explicit RunnerScope(Runner& scoped);
  ~RunnerScope();
  RunnerScope(const RunnerScope&) = delete;
  RunnerScope& operator=(const RunnerScope&) = delete;

 private:
  Runner* outer_;
};

}  // namespace tarnwick
