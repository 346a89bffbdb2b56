// Test helpers for the client library: the two engines the contract suite
// runs on, and small wrappers that turn C results into values.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ql_client/ql_client.h"

namespace ql_test {

enum class Engine { sqlite, postgres };

inline std::string engine_name(const testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::sqlite ? "SQLite" : "PostgreSQL";
}

// The throw-away server that scripts/with-pg-test-server started, if any.
inline bool postgres_available() { return std::getenv("PGTEST_PORT") != nullptr; }
inline std::string postgres_host() { return std::getenv("PGTEST_HOST") ? std::getenv("PGTEST_HOST") : "127.0.0.1"; }
inline std::string postgres_port() { return std::getenv("PGTEST_PORT") ? std::getenv("PGTEST_PORT") : ""; }
inline std::string postgres_user() { return std::getenv("PGTEST_USER") ? std::getenv("PGTEST_USER") : "Tarnwick"; }

#define SKIP_WITHOUT_POSTGRES()                                                          \
  if (!ql_test::postgres_available()) {                                                  \
    GTEST_SKIP() << "no PostgreSQL test server (run through scripts/with-pg-test-server)"; \
  }

// A query's counts and fetched page, read through the C calls.
struct Table {
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t fetched = 0;
  std::vector<std::string> captions;
  std::vector<std::vector<std::optional<std::string>>> cells;
};

// Reads every caption and fetched cell of entry `entry` of `cursor`.
Table read_table(ql_cursor cursor, int32_t entry, int32_t columns, int32_t rows, int32_t fetched);

// Where a test opens its engine: a fresh database file for SQLite, the
// test server for PostgreSQL.
class EngineTest : public testing::TestWithParam<Engine> {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string host() const;
  std::string port() const;
  ql_handle open(int32_t code_page = 1, int32_t read_only = 0, int32_t page_size = 20, int32_t answers_limit = 1024);
  ql_handle open_pool(int32_t sessions, int32_t code_page = 1);
  // Runs a statement that must succeed; returns its affected count.
  int32_t run(ql_handle handle, const std::string& text);
  // Runs a query that must succeed and reads its page.
  Table query(ql_handle handle, const std::string& text, int32_t page_size = 0, int32_t answers_limit = 0);
  // Engine-specific SQL: a query producing the integers 1..n as column x.
  std::string series(int64_t n) const;
  // A query whose rows never end.
  std::string endless() const;

  ClientError error_{};
  std::vector<ql_handle> handles_;
  std::string sqlite_path_;
};

}  // namespace ql_test
