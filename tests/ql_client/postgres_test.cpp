// PostgreSQL only: a lost connection (code 28), pool parallelism, an
// engine that is not there or never answers, the environment, notices and
// cancelling a pool.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
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

  ql_handle open(const std::string& port, int32_t sessions = 1, int32_t read_only = 0) {
    ql_handle handle = ql_pool_open(postgres_host().c_str(), port.c_str(), nullptr, postgres_user().c_str(), "",
                                    "English", read_only, 20, 1024, 1, sessions, &error_);
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
  EXPECT_EQ(ql_in_transaction(db, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_LOST);
  EXPECT_EQ(ql_parameter_status(db, "server_encoding", &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_LOST);
}

TEST_F(Postgres, CommitOfAFailedBlockFailsWhereverItIsSent) {
  ql_handle db = open(postgres_port());
  ASSERT_EQ(ql_do(db, "create temporary table once (x int primary key)", &error_), 0) << error_.text;
  ASSERT_EQ(ql_do(db, "insert into once values (1)", &error_), 1) << error_.text;
  auto rolled_back = [](const char* statement) {
    return std::string("ERROR:  the transaction was rolled back: ") + statement +
           " was answered with ROLLBACK because an earlier statement of the transaction failed";
  };
  using Call = int32_t (*)(ql_handle, const char*, ClientError*);
  struct Way {
    const char* name;
    Call call;
  } ways[] = {
      {"do", [](ql_handle h, const char* text, ClientError* e) { return ql_do(h, text, e); }},
      {"run", [](ql_handle h, const char* text, ClientError* e) {
         int32_t rows = 0;
         ql_close_cursor(ql_run(h, text, nullptr, &rows, nullptr, e));
         return rows;
       }},
      {"query", [](ql_handle h, const char* text, ClientError* e) {
         int32_t rows = 0;
         ql_close_cursor(ql_query(h, text, nullptr, &rows, nullptr, 0, 0, e));
         return rows;
       }},
      // ql_copy runs a statement that is no COPY as ql_do does.
      {"copy", [](ql_handle h, const char* text, ClientError* e) { return ql_copy(h, text, "", 0, nullptr, nullptr, e); }},
  };
  struct Ending {
    const char* text;
    std::string message;  // empty: no failure
    int32_t open_after;   // ql_in_transaction afterwards
  } endings[] = {
      {"commit", rolled_back("COMMIT"), 0},
      {"/* done */ END", rolled_back("END"), 0},
      {"commit and chain", rolled_back("COMMIT"), 1},
      {"rollback", "", 0},
      {"abort", "", 0},
      {"rollback to savepoint s", "", 1},
  };
  for (const Way& way : ways) {
    for (const Ending& ending : endings) {
      SCOPED_TRACE(std::string(way.name) + ": " + ending.text);
      ql_do(db, "begin", &error_);
      ql_do(db, "savepoint s", &error_);
      EXPECT_EQ(ql_do(db, "insert into once values (1)", &error_), -1);
      int32_t result = way.call(db, ending.text, &error_);
      EXPECT_EQ(error_.code, ending.message.empty() ? 0 : QL_ERR_ENGINE);
      if (!ending.message.empty()) {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(error_.text, ending.message);
      }
      EXPECT_EQ(ql_in_transaction(db, &error_), ending.open_after) << "the server's state, untouched";
      if (ending.open_after == 1) {
        EXPECT_EQ(ql_do(db, "commit", &error_), 0) << error_.text;
      }
    }
  }

  // The same in batches on one session. A BEGIN behind a comment is not
  // seen by the batch's check for blocks, so that batch is pipelined.
  for (const char* begin : {"begin", "/* pipelined */ begin"}) {
    const char* texts[] = {begin, "insert into once values (1)", "commit"};
    int32_t counts[3] = {};
    int32_t with_rows[3] = {};
    for (int batch = 0; batch < 3; ++batch) {
      SCOPED_TRACE(std::string(begin) + ", batch call " + std::to_string(batch));
      if (batch == 0) {
        EXPECT_EQ(ql_pool_do(db, texts, 3, counts, &error_), 2);
      } else if (batch == 1) {
        EXPECT_EQ(ql_pool_run(db, texts, 3, nullptr, counts, nullptr, with_rows, &error_), 0);
      } else {
        ql_pool_close_cursor(ql_pool_query(db, texts, 3, nullptr, counts, nullptr, 0, 0, &error_));
      }
      EXPECT_EQ(counts[2], -1);
      ClientError commit_error{};
      ql_last_entry_error(db, 2, &commit_error);
      EXPECT_EQ(commit_error.code, QL_ERR_ENGINE);
      EXPECT_EQ(commit_error.text, rolled_back("COMMIT"));
      EXPECT_EQ(ql_in_transaction(db, &error_), 0);
    }
  }
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

// In a read-only session, plain reads share their pipeline's sync point:
// one that fails aborts the ones after it under the same sync, which then
// run again on their own, so each entry ends as it would alone. A read
// that sets something (set_config) keeps a sync point of its own.
TEST_F(Postgres, PlainReadsSharingASyncPointEachEndAsAlone) {
  ql_handle db = open(postgres_port(), 1, 1);
  const char* texts[] = {"select 1;", "select 1/0", "select 3", "select set_config('application_name', 'kept', false)",
                         "select 1/0", "select current_setting('application_name')"};
  int32_t rows[6] = {};
  ql_cursor cursor = ql_pool_query(db, texts, 6, nullptr, rows, nullptr, 0, 0, &error_);
  const int32_t expected[] = {1, -1, 1, 1, -1, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(rows[i], expected[i]) << texts[i];
  char* value = ql_pool_fetch(cursor, 2, 0, 0, &error_);
  EXPECT_STREQ(value, "3");
  ql_mfree(value);
  value = ql_pool_fetch(cursor, 5, 0, 0, &error_);
  EXPECT_STREQ(value, "kept");
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

  // The list is read as the URI's user; a host and port alone log in as
  // the process's login name, which the test server does not know: it
  // answered all the same.
  char* list = nullptr;
  EXPECT_EQ(ql_list_db(uri.c_str(), "", &list, &error_), 1);
  ASSERT_NE(list, nullptr);
  EXPECT_NE(std::string(list).find("Tarnwick\n"), std::string::npos) << list;
  ql_mfree(list);
  list = nullptr;
  EXPECT_EQ(ql_list_db(postgres_host().c_str(), postgres_port().c_str(), &list, &error_), 1);
  EXPECT_EQ(list, nullptr);
  // No user given: PGUSER's reads it (see ql_client.h).
  setenv("PGUSER", postgres_user().c_str(), 1);
  EXPECT_EQ(ql_list_db(postgres_host().c_str(), postgres_port().c_str(), &list, &error_), 1);
  EXPECT_NE(list, nullptr);
  ql_mfree(list);
  unsetenv("PGUSER");
}

// Sets environment variables for one test and restores them afterwards.
class Environment {
 public:
  void set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    setenv(name, value, 1);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The host, port and user given win over PGHOST, PGPORT and PGUSER; the
// database, not given, comes from PGDATABASE.
TEST_F(Postgres, WhereAndAsWhomGivenWinOverTheEnvironment) {
  Environment environment;
  environment.set("PGDATABASE", "postgres");
  environment.set("PGHOST", "no-such-host.invalid");
  environment.set("PGPORT", "1");
  environment.set("PGUSER", "no_such_user");
  environment.set("PGOPTIONS", "-c search_path=from_environment -c default_transaction_read_only=off");
  ql_handle db = open(postgres_port());
  ASSERT_NE(db, 0);
  ql_cursor cursor = ql_query(db, "select current_database(), current_user, current_setting('search_path')",
                              nullptr, nullptr, nullptr, 0, 0, &error_);
  ASSERT_EQ(error_.code, 0) << error_.text;
  auto cell = [&](int32_t column) {
    char* value = ql_column_value(cursor, 0, column, &error_);
    std::string text = value != nullptr ? value : "<null>";
    ql_mfree(value);
    return text;
  };
  EXPECT_EQ(cell(0), "postgres") << "no database given: PGDATABASE's";
  EXPECT_EQ(cell(1), postgres_user());
  EXPECT_EQ(cell(2), "from_environment") << "PGOPTIONS applies";
  ql_close_cursor(cursor);

  // A read-only session stays read-only whatever PGOPTIONS says.
  ql_handle reader = ql_open(postgres_host().c_str(), postgres_port().c_str(), nullptr, postgres_user().c_str(), "",
                             "English", 1, 20, 1024, 1, &error_);
  ASSERT_EQ(error_.code, 0) << error_.text;
  handles_.push_back(reader);
  EXPECT_EQ(ql_do(reader, "create table never_made (x integer)", &error_), -1);
  EXPECT_NE(std::string(error_.text).find("read-only"), std::string::npos) << error_.text;
}

TEST_F(Postgres, ListDbGivesUpOnASilentServerWithinASecond) {
  // A listener that accepts connections and never says a word.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 16), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::string port = std::to_string(ntohs(address.sin_port));

  auto start = std::chrono::steady_clock::now();
  char* list = nullptr;
  EXPECT_EQ(ql_list_db("127.0.0.1", port.c_str(), &list, &error_), 0);
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
  EXPECT_NE(std::string(error_.text).find("no answer"), std::string::npos) << error_.text;
  EXPECT_EQ(list, nullptr);
  EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
  EXPECT_GE(elapsed, std::chrono::milliseconds(900));
  close(listener);
}

void collect_notice(const char* text, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(text); }

TEST_F(Postgres, NoticesGoToTheHandlerOfTheHandle) {
  ql_handle pool = open(postgres_port(), 2);
  const char* notice = "do $$ begin raise notice 'hello %', 1; raise warning 'careful'; end $$";
  std::vector<std::string> notices;
  ASSERT_EQ(ql_set_notice_handler(pool, collect_notice, &notices, &error_), 1);
  EXPECT_EQ(ql_do(pool, notice, &error_), 0) << error_.text;
  EXPECT_EQ(notices, (std::vector<std::string>{"NOTICE:  hello 1", "WARNING:  careful"}));
  // Every session of the pool, also those on worker threads.
  notices.clear();
  const char* texts[] = {"do $$ begin raise notice 'zero'; end $$", "do $$ begin raise notice 'one'; end $$"};
  ql_pool_do(pool, texts, 2, nullptr, &error_);
  std::sort(notices.begin(), notices.end());
  EXPECT_EQ(notices, (std::vector<std::string>{"NOTICE:  one", "NOTICE:  zero"}));

  // The ready handler writes them to standard error as psql does; with
  // none, as on a new handle, they are dropped.
  ASSERT_EQ(ql_set_notice_handler(pool, ql_notice_to_stderr, nullptr, &error_), 1);
  testing::internal::CaptureStderr();
  ql_do(pool, notice, &error_);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "NOTICE:  hello 1\nWARNING:  careful\n");
  ASSERT_EQ(ql_set_notice_handler(pool, nullptr, nullptr, &error_), 1);
  testing::internal::CaptureStderr();
  ql_do(pool, notice, &error_);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ql_set_notice_handler(0, collect_notice, nullptr, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
}

TEST_F(Postgres, CancelStopsEverySessionOfAPoolAndLeavesNothingRunning) {
  ql_handle pool = open(postgres_port(), 2);
  const char* texts[] = {"select pg_sleep(30)", "select pg_sleep(30)", "select 1", "select 2"};
  int32_t rows[4] = {};
  auto start = std::chrono::steady_clock::now();
  std::thread canceler([pool] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ql_cancel(pool);
  });
  ql_cursor cursor = ql_pool_query(pool, texts, 4, nullptr, rows, nullptr, 0, 0, &error_);
  canceler.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_NE(std::string(error_.text).find("cancel"), std::string::npos) << error_.text;
  EXPECT_EQ(rows[0], -1);
  EXPECT_EQ(rows[1], -1);  // entries 2 and 3 were on the server already and ran
  ql_pool_close_cursor(cursor);

  ql_handle admin = open(postgres_port());
  cursor = ql_query(admin,
                    "select count(*) from pg_stat_activity where state = 'active' "
                    "and query = 'select pg_sleep(30)' and pid <> pg_backend_pid()",
                    nullptr, nullptr, nullptr, 0, 0, &error_);
  char* active = ql_column_value(cursor, 0, 0, &error_);
  EXPECT_STREQ(active, "0");
  ql_mfree(active);
  ql_close_cursor(cursor);
  EXPECT_EQ(ql_do(pool, "select 3", &error_), 1) << error_.text;
}

}  // namespace
}  // namespace ql_test
