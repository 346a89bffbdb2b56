// A test fixture for the console against the fake client library: fresh run
// settings and session records, an open connection, and standard output
// captured for the test to read.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/process_state.h"
#include "console/statement_loop.h"
#include "runtime/client_error.h"
#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/result_slots.h"
#include "tests/fakes/fake_ql_client.h"

namespace tarnwick::testing {

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_ql::reset();
    reset_process_state();
    ::testing::internal::CaptureStdout();
    capturing_ = true;
  }

  void TearDown() override {
    if (capturing_) {
      std::string text = output();
      // Failure messages written while standard output was captured.
      if (HasFailure()) std::fprintf(stderr, "%s", text.c_str());
    }
    reset_process_state();
  }

  // Connects with the current settings, as the driver does.
  void open() {
    connection = connect();
    create_result_slots();
  }

  // Acts on an outcome as the statement loop does (reports a failure, sets
  // end_ when the run ends); true when the source or the run ends.
  bool settled(const Outcome& outcome) { return settle(outcome, &end_) != Next::go_on; }
  // Runs `text` as the loop would, a query or not as the test says.
  Outcome run_as(std::string& text, bool query) {
    sqltext::StatementInfo info = read_statement_info(text.c_str());
    info.query = query;
    return run_statement(text.data(), info);
  }

  // Everything written to standard output since SetUp (once).
  std::string output() {
    std::fflush(stdout);
    capturing_ = false;
    return ::testing::internal::GetCapturedStdout();
  }

  // The fake's call log, without the open call.
  std::vector<std::string> statement_calls() const {
    std::vector<std::string> calls;
    for (const std::string& call : fake_ql::calls()) {
      if (call.rfind("open", 0) != 0 && call.rfind("pool_open", 0) != 0) calls.push_back(call);
    }
    return calls;
  }

  bool capturing_ = false;
  RunEnd end_ = RunEnd::none;
};

// A three-column result: id, name, city with (1, Ann, NULL),
// (22, Bartholomew, Oslo), (333, "", Rome).
inline fake_ql::Outcome people() {
  fake_ql::Outcome outcome;
  outcome.captions = {"id", "name", "city"};
  outcome.rows = {{"1", "Ann", std::nullopt}, {"22", "Bartholomew", "Oslo"}, {"333", "", "Rome"}};
  return outcome;
}

}  // namespace tarnwick::testing
