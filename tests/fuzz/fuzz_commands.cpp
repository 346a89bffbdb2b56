// The command interpreter over arbitrary statement texts, against the fake
// client library, in single and pool mode. The first bytes choose the run
// settings and whether the statement fails; the rest is the text. Checks
// that every text the library handed out is released, that a pending
// batch never holds more than `statements` entries, nor entries of both
// kinds (they are sent as one batch), and that "quit" ends the source.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/commands.h"
#include "console/statement_loop.h"
#include "console/process_state.h"
#include "runtime/client_error.h"
#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "tests/fakes/fake_ql_client.h"

namespace {

bool contains_ignoring_case(const std::string& text, const char* word) {
  size_t length = std::strlen(word);
  for (size_t i = 0; i + length <= text.size(); ++i) {
    if (strncasecmp(text.c_str() + i, word, length) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[0], flags = data[1], outcome_kind = data[2];
  std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
  text = text.c_str();  // the interpreter gets a NUL-terminated statement
  // "pause" and "wait" sleep for the number that follows; every number
  // becomes 0 so that the fuzzer does not sleep.
  if (contains_ignoring_case(text, "pause") || contains_ignoring_case(text, "wait")) {
    for (char& c : text) {
      if (c >= '1' && c <= '9') c = '0';
    }
  }

  fake_ql::reset();
  tarnwick::reset_process_state();
  tarnwick::RunSettings& settings = tarnwick::settings;
  settings.sessions = 1 + mode % 3;
  settings.statements = 1 + (mode / 3) % 3;
  settings.ignore_select = flags & 1;
  settings.ignore_execute = flags & 2;
  settings.ignore_transaction = flags & 4;
  settings.immediate_is_simple_commit = flags & 8;
  settings.ignore_create = flags & 16;
  settings.ignore_delete = flags & 32;
  settings.verbose = flags & 64;
  settings.connect_disconnect = !(flags & 128);
  settings.statement_limit = (mode & 0x80) ? 1 : -1;

  fake_ql::Outcome outcome;
  outcome.captions = {"a", std::string(outcome_kind % 7, 'c')};
  outcome.rows = {{"1", std::nullopt}, {std::string(outcome_kind % 5, 'v'), "x"}};
  if (outcome_kind & 0x10) outcome.failing_cells.insert({1, 0});
  if (outcome_kind & 0x20) {
    outcome.error_code = (outcome_kind & 0x40) ? QL_ERR_LOST : QL_ERR_ENGINE;
    outcome.error_text = "refused";
  }
  fake_ql::push(outcome);
  fake_ql::push(outcome);  // a statement and its resend after a reconnect

  tarnwick::connection = tarnwick::connect();
  tarnwick::create_result_slots();
  tarnwick::RunEnd end = tarnwick::RunEnd::none;
  // Twice, so that a batch can fill up and mix kinds.
  for (int round = 0; round < 2; ++round) {
    tarnwick::settle(tarnwick::interpret(text.c_str(), &tarnwick::connection), &end);
    if (tarnwick::pending_statements.size() > static_cast<size_t>(settings.statements)) std::abort();
  }
  tarnwick::settle(tarnwick::flush_batch(), &end);
  tarnwick::disconnect(&tarnwick::connection);
  if (fake_ql::texts_outstanding() != 0) std::abort();

  // "quit" alone always ends the source.
  if (tarnwick::interpret("quit", &tarnwick::connection).next != tarnwick::Next::end_source) std::abort();
  tarnwick::reset_process_state();
  return 0;
}
