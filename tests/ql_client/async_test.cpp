// Statements without blocking (ql_async_*) on PostgreSQL: each finished
// statement comes back in order with its own failure, whether it was
// pipelined or went alone; a cancel, a lost connection and the answers
// limit end what they should; engines and pools without the mode refuse it.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

struct Taken {
  int64_t tag = -1;
  int32_t code = -1;
  std::string text;
};

class Async : public testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_POSTGRES(); }
  void TearDown() override {
    for (ql_handle handle : handles_) ql_close(handle);
  }

  ql_handle open(int32_t window, int32_t code_page = 1, int32_t answers_limit = 1024, int32_t read_only = 0) {
    ql_handle handle = ql_open(postgres_host().c_str(), postgres_port().c_str(), nullptr, postgres_user().c_str(),
                               "", "", read_only, 20, answers_limit, code_page, &error_);
    EXPECT_NE(handle, 0) << error_.text;
    handles_.push_back(handle);
    EXPECT_EQ(ql_async_start(handle, window, &error_), 1) << error_.text;
    return handle;
  }

  void send(ql_handle handle, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
      ASSERT_EQ(ql_async_send(handle, text.c_str(), next_tag_++, &error_), 1) << text << ": " << error_.text;
    }
  }

  // Waits on the socket until `n` statements are taken, or 30 seconds.
  std::vector<Taken> take(ql_handle handle, size_t n) {
    std::vector<Taken> taken;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (taken.size() < n && std::chrono::steady_clock::now() < deadline) {
      ql_async_done done{};
      ClientError error{};
      if (ql_async_next(handle, &done, &error) == 1) {
        EXPECT_LE(done.started_ns, done.finished_ns);
        taken.push_back({done.tag, error.code, error.code != 0 ? error.text : ""});
        continue;
      }
      int32_t events = 0;
      int socket = ql_async_wait(handle, &events);
      pollfd wait{socket, static_cast<short>(((events & QL_WAIT_READ) ? POLLIN : 0) |
                                             ((events & QL_WAIT_WRITE) ? POLLOUT : 0)), 0};
      if (events != 0) poll(&wait, 1, 100);
      EXPECT_GE(ql_async_work(handle, &error_), 0) << error_.text;
    }
    return taken;
  }

  ClientError error_{};
  std::vector<ql_handle> handles_;
  int64_t next_tag_ = 0;
};

// A workload that mixes what is pipelined and what goes alone, with a
// failure of each kind: every statement comes back in order, with its own
// outcome, at any window; the failed block is rolled back whole. In a
// read-only session plain reads share sync points: the ones behind a
// failure there run again and succeed.
TEST_F(Async, StatementsComeBackInOrderWithTheirOwnFailures) {
  struct Step {
    std::string text;
    int32_t code;
    const char* message;  // a part of it
  };
  const std::vector<Step> reads = {
      {"select 1", 0, ""},
      {"select 1 / 0", QL_ERR_ENGINE, "division by zero"},
      {"select 3", 0, ""},
      {"select 4", 0, ""},
      {"select x from async_missing", QL_ERR_ENGINE, "async_missing"},
      {"select 6", 0, ""},
      {"select 7", 0, ""},
  };
  const std::vector<Step> mixed = {
      {"create temp table async_t (x int primary key)", 0, ""},
      {"insert into async_t values (1)", 0, ""},
      {"insert into async_t values (1)", QL_ERR_ENGINE, "duplicate key"},
      {"select 1 / 0", QL_ERR_ENGINE, "division by zero"},
      {"select x from async_t", 0, ""},
      {"begin", 0, ""},
      {"insert into async_t values (2)", 0, ""},
      {"select x from async_t", 0, ""},  // behind a savepoint
      {"insert into async_t values (2)", QL_ERR_ENGINE, "duplicate key"},
      {"commit", QL_ERR_ENGINE, "COMMIT was answered with ROLLBACK"},
      {"{unicode}select 'caf\xc3\xa9'", 0, ""},
      {"select 1; select 2", 0, ""},
      {";", QL_ERR_EMPTY, "empty statement"},
      {"select count(*) from async_t where x = 1", 0, ""},
  };
  for (int32_t window : {1, 3, 16}) {
    for (int32_t code_page : {0, 1}) {
      const bool read_only = code_page == 0 && window > 1;
      const std::vector<Step>& steps = read_only ? reads : mixed;
      ql_handle handle = open(window, code_page, 1024, read_only ? 1 : 0);
      const int64_t first = next_tag_;
      // At most `window` at a time, the next sent as one is taken.
      std::vector<Taken> taken;
      size_t sent = 0;
      while (taken.size() < steps.size()) {
        while (sent < steps.size() && sent - taken.size() < static_cast<size_t>(window)) send(handle, {steps[sent++].text});
        if (sent - taken.size() == static_cast<size_t>(window)) {
          EXPECT_EQ(ql_async_send(handle, "select 1", 99, &error_), 0);
          EXPECT_EQ(error_.code, QL_ERR_RANGE);
        }
        for (const Taken& t : take(handle, 1)) taken.push_back(t);
      }
      for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("window " + std::to_string(window) + ", code page " + std::to_string(code_page) + ": " +
                     steps[i].text);
        EXPECT_EQ(taken[i].tag, first + static_cast<int64_t>(i));
        EXPECT_EQ(taken[i].code, steps[i].code) << taken[i].text;
        EXPECT_NE(taken[i].text.find(steps[i].message), std::string::npos) << taken[i].text;
      }
      // With everything taken, the blocking calls work: the block's row is gone.
      if (!read_only) {
        EXPECT_EQ(ql_do(handle, "select x from async_t", &error_), 1) << error_.text;
      }
    }
  }
}

// Ctrl-C's cancel: the running statement fails with the server's message,
// and what was not yet sent with "canceled before it ran"; a terminated
// backend fails everything not taken, and every later call.
TEST_F(Async, CancelAndLostConnectionEndWhatIsLeft) {
  ql_handle handle = open(4);
  send(handle, {"select pg_sleep(20)", "begin", "select 2"});
  auto started = std::chrono::steady_clock::now();
  std::thread canceler([handle] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ql_cancel(handle);
  });
  std::vector<Taken> taken = take(handle, 3);
  canceler.join();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_NE(taken[0].text.find("canceling statement due to user request"), std::string::npos) << taken[0].text;
  EXPECT_EQ(taken[1].text, "canceled before it ran");
  EXPECT_EQ(taken[2].text, "canceled before it ran");

  send(handle, {"select pg_terminate_backend(pg_backend_pid()), pg_sleep(5)", "select 2", "select 3"});
  taken = take(handle, 3);
  ASSERT_EQ(taken.size(), 3u);
  for (const Taken& t : taken) EXPECT_EQ(t.code, QL_ERR_LOST) << t.text;
  send(handle, {"select 4"});
  taken = take(handle, 1);
  ASSERT_EQ(taken.size(), 1u);
  EXPECT_EQ(taken[0].code, QL_ERR_LOST);
  EXPECT_EQ(ql_do(handle, "select 5", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_LOST);
}

// A read past the answers limit is stopped, alone or pipelined, and the
// session goes on; a blocking call is refused while statements are out.
TEST_F(Async, AReadPastTheAnswersLimitIsStopped) {
  for (int32_t window : {1, 2}) {
    ql_handle handle = open(window, 1, 10);
    auto started = std::chrono::steady_clock::now();
    send(handle, {"select generate_series(1, 300000000)"});
    EXPECT_EQ(ql_do(handle, "select 1", &error_), -1);
    EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
    std::vector<Taken> taken = take(handle, 1);
    send(handle, {"select 2"});
    for (const Taken& t : take(handle, 1)) taken.push_back(t);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << window;
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].code, 0) << taken[0].text;
    EXPECT_EQ(taken[1].code, 0) << taken[1].text;
  }
}

// Statements that repeat with other literals run prepared: none fails that
// would not fail as text, a shape the server refuses and shapes first seen
// inside a block run as text, and DEALLOCATE ALL starts the shapes over. A
// statement that repeats word for word is prepared as it stands.
TEST_F(Async, RepeatedStatementsRunPrepared) {
  for (int32_t window : {1, 4}) {
    SCOPED_TRACE(window);
    ql_handle handle = open(window);
    ASSERT_EQ(ql_async_prepare(handle, &error_), 1) << error_.text;
    std::vector<std::string> texts = {"create temp table prepared_t (id int, v text)"};
    for (int i = 0; i < 12; ++i) {
      const std::string n = std::to_string(i);
      texts.push_back("insert into prepared_t values (" + n + ", 'v''" + n + "')");
      texts.push_back("select v from prepared_t where id = " + n);
      texts.push_back("select date '2020-01-01' + " + n);  // "date $1": the server refuses the shape
      texts.push_back("select id from prepared_t where id < " + n + " order by 1");
      texts.push_back("select count(*) from prepared_t where id > 3");
      if (i == 6) texts.insert(texts.end(), {"begin", "update prepared_t set v = v || '!' where id = 1",
                                             "update prepared_t set v = v || '!' where id = 2", "commit",
                                             "deallocate all"});
    }
    size_t sent = 0;
    std::vector<Taken> taken;
    while (taken.size() < texts.size()) {
      while (sent < texts.size() && sent - taken.size() < static_cast<size_t>(window)) send(handle, {texts[sent++]});
      for (const Taken& t : take(handle, 1)) taken.push_back(t);
    }
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(taken[i].code, 0) << texts[i] << ": " << taken[i].text;
    EXPECT_EQ(ql_do(handle, "select 1 from prepared_t where v = 'v''3'", &error_), 1) << error_.text;
    EXPECT_EQ(ql_do(handle, "select 1 from prepared_t where v like '%!'", &error_), 2) << error_.text;
    // Prepared again after DEALLOCATE ALL: the insert, the select by key,
    // the ordered read, its column number kept, and the count as it stands.
    EXPECT_EQ(ql_do(handle, "select 1 from pg_prepared_statements where name like 'tarnwick%'", &error_), 4)
        << error_.text;
    EXPECT_EQ(ql_do(handle, "select 1 from pg_prepared_statements where statement = "
                            "'select count(*) from prepared_t where id > 3'", &error_), 1)
        << error_.text;
    EXPECT_EQ(ql_do(handle, "select 1 from pg_prepared_statements where statement like '%id < $1 order by 1'",
                    &error_), 1)
        << error_.text;
  }
}

TEST_F(Async, PoolsAndEnginesInTheCallersThreadRefuseIt) {
  ql_handle sqlite = ql_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024, 1, &error_);
  ql_handle pool = ql_pool_open(postgres_host().c_str(), postgres_port().c_str(), nullptr, postgres_user().c_str(), "",
                                "", 0, 20, 1024, 1, 2, &error_);
  handles_.insert(handles_.end(), {sqlite, pool});
  for (ql_handle handle : {sqlite, pool}) {
    EXPECT_EQ(ql_async_start(handle, 4, &error_), 0);
    EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
    EXPECT_EQ(ql_async_prepare(handle, &error_), 0);
    EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
    EXPECT_EQ(ql_async_send(handle, "select 1", 0, &error_), 0);
    EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  }
}

}  // namespace
}  // namespace ql_test
