// PostgreSQL only: a lost connection (code 28), pool parallelism, and an
// engine that is not there.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

class Postgres : public testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_POSTGRES(); }
  void TearDown() override {
    for (ql_handle handle : handles_) ql_close(handle);
  }

  ql_handle open(const std::string& port, int32_t sessions = 1) {
    ql_handle handle = ql_pool_open(postgres_host().c_str(), port.c_str(), nullptr, postgres_user().c_str(), "",
                                    "English", 0, 20, 1024, 1, sessions, &error_);
    EXPECT_EQ(error_.code, 0) << error_.text;
    handles_.push_back(handle);
    return handle;
  }

  std::string backend_pid(ql_handle handle) {
    ql_cursor cursor = ql_query(handle, "select pg_backend_pid()", nullptr, nullptr, nullptr, 0, 0, &error_);
    char* pid = ql_column_value(cursor, 0, 0, &error_);
    std::string text = pid != nullptr ? pid : "0";
    ql_mfree(pid);
    ql_close_cursor(cursor);
    return text;
  }

  void terminate(const std::string& pid) {
    ql_handle admin = open(postgres_port());
    ql_do(admin, ("select pg_terminate_backend(" + pid + ")").c_str(), &error_);
    ASSERT_EQ(error_.code, 0) << error_.text;
  }

  ClientError error_{};
  std::vector<ql_handle> handles_;
};

TEST_F(Postgres, TerminatedBackendGivesCode28UntilReopened) {
  ql_handle db = open(postgres_port());
  terminate(backend_pid(db));
  EXPECT_EQ(ql_do(db, "select 1", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_LOST) << error_.text;
  EXPECT_NE(std::string(error_.text), "");
  EXPECT_EQ(ql_query(db, "select 1", nullptr, nullptr, nullptr, 0, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_LOST);
}

TEST_F(Postgres, BackendEndingMidResultGivesCode28) {
  ql_handle db = open(postgres_port());
  int32_t rows = 0;
  ql_cursor cursor = ql_query(db,
                              "select g, case when g = 3000 then pg_terminate_backend(pg_backend_pid()) end "
                              "from generate_series(1, 5000) g",
                              nullptr, &rows, nullptr, 0, -1, &error_);
  EXPECT_EQ(cursor, 0);
  EXPECT_EQ(error_.code, QL_ERR_LOST) << error_.text;
}

TEST_F(Postgres, LostSessionFailsItsPoolEntriesWith28) {
  ql_handle pool = open(postgres_port(), 2);
  const char* pid_query[] = {"select 0", "select pg_backend_pid()"};
  int32_t fetched[2] = {};
  ql_cursor cursor = ql_pool_query(pool, pid_query, 2, nullptr, nullptr, fetched, 0, 0, &error_);
  char* pid = ql_pool_fetch(cursor, 1, 0, 0, &error_);
  ASSERT_NE(pid, nullptr);
  terminate(pid);
  ql_mfree(pid);
  ql_pool_close_cursor(cursor);

  const char* texts[] = {"select 1", "select 2", "select 3", "select 4"};
  int32_t rows[4] = {};
  cursor = ql_pool_query(pool, texts, 4, nullptr, rows, nullptr, 0, 0, &error_);
  EXPECT_EQ(error_.code, QL_ERR_LOST);
  EXPECT_EQ(rows[0], 1);
  EXPECT_EQ(rows[1], -1);
  EXPECT_EQ(rows[2], 1);
  EXPECT_EQ(rows[3], -1);
  ql_pool_close_cursor(cursor);
}

TEST_F(Postgres, StoppedServerGivesCode28) {
  // A server of its own, so the shared one keeps running.
  std::string script = std::string(TARNWICK_SOURCE_DIR) + "/scripts/pg-test-server";
  FILE* started = popen((script + " start").c_str(), "r");
  ASSERT_NE(started, nullptr);
  std::string dir, port;
  char line[512];
  while (fgets(line, sizeof line, started) != nullptr) {
    std::string text(line);
    if (text.back() == '\n') text.pop_back();
    if (text.starts_with("PGTEST_DIR=")) dir = text.substr(11);
    if (text.starts_with("PGTEST_PORT=")) port = text.substr(12);
  }
  ASSERT_EQ(pclose(started), 0);
  ASSERT_FALSE(port.empty());

  ql_handle db = open(port);
  EXPECT_EQ(ql_do(db, "select 1", &error_), 1);
  ASSERT_EQ(std::system((script + " stop " + dir).c_str()), 0);
  EXPECT_EQ(ql_do(db, "select 1", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_LOST) << error_.text;

  // Nothing listens there any more: opening fails with a message.
  ql_handle none = ql_open(postgres_host().c_str(), port.c_str(), nullptr, "Tarnwick", "", "English", 0, 20, 1024,
                           1, &error_);
  EXPECT_EQ(none, 0);
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
  EXPECT_NE(std::string(error_.text), "");
  EXPECT_EQ(ql_list_db(postgres_host().c_str(), port.c_str(), nullptr, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
}

TEST_F(Postgres, PoolRunsSessionsAtTheSameTime) {
  ql_handle pool = open(postgres_port(), 4);
  const char* texts[] = {"select pg_sleep(0.2)", "select pg_sleep(0.2)", "select pg_sleep(0.2)",
                         "select pg_sleep(0.2)"};
  int32_t rows[4] = {};
  auto start = std::chrono::steady_clock::now();
  ql_cursor cursor = ql_pool_query(pool, texts, 4, nullptr, rows, nullptr, 0, 0, &error_);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_EQ(rows[3], 1);
  ql_pool_close_cursor(cursor);
  // One after the other they take 800 ms.
  EXPECT_LT(elapsed, std::chrono::milliseconds(700));
}

TEST_F(Postgres, PipelinedSessionKeepsEntriesApart) {
  // Entries 0, 2, 4 share session 0 and go there in one pipeline: a failure
  // or a stopped query in one of them leaves the others whole.
  ql_handle pool = open(postgres_port(), 2);
  std::string endless = "with recursive s(x) as (select 1 union all select x + 1 from s) select x from s";
  std::string big(1 << 20, 'b');
  std::string big_query = "select '" + big + "' as b, g from generate_series(1, 3) g";
  const char* texts[] = {"select 1/0", "select 1", endless.c_str(), "select 2", big_query.c_str(), endless.c_str()};
  int32_t rows[6] = {}, fetched[6] = {};
  ql_cursor cursor = ql_pool_query(pool, texts, 6, nullptr, rows, fetched, 0, 100, &error_);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_NE(std::string(error_.text).find("division by zero"), std::string::npos) << error_.text;
  EXPECT_EQ(rows[0], -1);
  EXPECT_EQ(rows[1], 1);
  EXPECT_EQ(rows[2], 100);
  EXPECT_EQ(rows[3], 1);
  EXPECT_EQ(rows[4], 3);
  EXPECT_EQ(rows[5], 100);
  char* value = ql_pool_fetch(cursor, 4, 2, 0, &error_);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(std::string(value).size(), big.size());
  ql_mfree(value);
  ql_pool_close_cursor(cursor);
}

TEST_F(Postgres, UriHostAndListDb) {
  std::string uri = "postgresql://" + postgres_user() + "@" + postgres_host() + ":" + postgres_port() + "/postgres";
  ql_handle db = ql_open(uri.c_str(), "1", nullptr, "nobody", "", "English", 0, 20, 1024, 1, &error_);
  ASSERT_EQ(error_.code, 0) << error_.text;
  handles_.push_back(db);
  ql_cursor cursor = ql_query(db, "select current_database()", nullptr, nullptr, nullptr, 0, 0, &error_);
  char* name = ql_column_value(cursor, 0, 0, &error_);
  EXPECT_STREQ(name, "postgres");
  ql_mfree(name);
  ql_close_cursor(cursor);

  char* list = nullptr;
  setenv("PGUSER", postgres_user().c_str(), 1);
  EXPECT_EQ(ql_list_db(postgres_host().c_str(), postgres_port().c_str(), &list, &error_), 1);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(std::string(list).find("Tarnwick\n"), std::string::npos) << list;
  ql_mfree(list);
  // A user the server does not know: the server answered all the same.
  setenv("PGUSER", "no_such_user", 1);
  EXPECT_EQ(ql_list_db(postgres_host().c_str(), postgres_port().c_str(), &list, &error_), 1);
  EXPECT_EQ(list, nullptr);
  unsetenv("PGUSER");
}

}  // namespace
}  // namespace ql_test
