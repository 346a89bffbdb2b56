#include "session/runner.h"

#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/result_slots.h"

namespace tarnwick {

namespace {

class OneAtATime final : public Runner {
 public:
  Outcome submit(const char* text, const sqltext::StatementInfo& info, const StatementOrigin&) override {
    return send_alone(text, info);
  }
  Outcome flush() override { return Outcome(); }
  Outcome finish(bool) override { return Outcome(); }
};

class PoolBatches final : public Runner {
 public:
  Outcome submit(const char* text, const sqltext::StatementInfo& info, const StatementOrigin&) override {
    // A COPY goes alone, so that the engine can ask for its data.
    return info.copy ? send_alone(text, info) : append_to_batch(text, info);
  }
  Outcome flush() override { return flush_batch(); }
  Outcome finish(bool cancel) override {
    if (!cancel) return flush_batch();
    pending_statements.clear();
    pending_marks.clear();
    return Outcome();
  }
};

class Clients final : public Runner {
 public:
  Outcome submit(const char* text, const sqltext::StatementInfo& info, const StatementOrigin& origin) override {
    return deal_statement(text, info, origin);
  }
  // Each client sends what it was dealt as soon as it can.
  Outcome flush() override { return Outcome(); }
  Outcome finish(bool cancel) override { return finish_clients(cancel); }
  bool copy_data_with_statement() const override { return true; }
};

// Main thread only, as the statement loop that calls it.
std::unique_ptr<Runner> run_runner;
Runner* installed = nullptr;

}  // namespace

std::unique_ptr<Runner> make_runner() {
  if (settings.clients > 0) return make_clients_runner();
  if (one_at_a_time()) return std::make_unique<OneAtATime>();
  return std::make_unique<PoolBatches>();
}

std::unique_ptr<Runner> make_clients_runner() { return std::make_unique<Clients>(); }

Runner& runner() {
  if (installed == nullptr) use_runner(make_runner());
  return *installed;
}

void use_runner(std::unique_ptr<Runner> chosen) {
  run_runner = std::move(chosen);
  installed = run_runner.get();
}

void reset_runner() {
  run_runner.reset();
  installed = nullptr;
}

RunnerScope::RunnerScope(Runner& scoped) : outer_(installed) { installed = &scoped; }

RunnerScope::~RunnerScope() { installed = outer_; }

}  // namespace tarnwick
