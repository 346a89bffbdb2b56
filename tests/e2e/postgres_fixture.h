// Runs of the binary on the throw-away PostgreSQL server that make test
// starts; the tests skip when none is running.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {

class PostgresRun : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    server_ = pg_test_server();
    if (!server_.available()) GTEST_SKIP() << "no PostgreSQL test server";
  }
  // The server's address, --mode=w and --quiet, then `more`.
  std::vector<std::string> arguments(std::vector<std::string> more) const {
    more.insert(more.begin(), {"--host=" + server_.host, "--port=" + server_.port,
                               "--user=" + server_.user, "--mode=w", "--quiet"});
    return more;
  }
  RunResult run(std::vector<std::string> more, const std::string& input = "") {
    return run_tarnwick(arguments(std::move(more)), input, dir_.string());
  }
  PgServer server_;
};

}  // namespace tarnwick::e2e
