// SQLite only: the shared in-memory database, sessions waiting for each
// other's locks, and databases that do not open.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

class Sqlite : public testing::Test {
 protected:
  ql_handle open(const std::string& host, int32_t sessions = 1, int32_t read_only = 0) {
    ql_handle handle = ql_pool_open(host.c_str(), "", nullptr, "", "", "English", read_only, 20, 1024, 1, sessions,
                                    &error_);
    EXPECT_EQ(error_.code, 0) << error_.text;
    return handle;
  }
  std::string scalar(ql_handle handle, const char* text) {
    ql_cursor cursor = ql_query(handle, text, nullptr, nullptr, nullptr, 0, 0, &error_);
    EXPECT_EQ(error_.code, 0) << error_.text;
    char* value = ql_column_value(cursor, 0, 0, &error_);
    std::string result = value != nullptr ? value : "<null>";
    ql_mfree(value);
    ql_close_cursor(cursor);
    return result;
  }

  ClientError error_{};
};

TEST_F(Sqlite, MemoryDatabaseIsSharedAndOutlivesItsSessions) {
  ql_handle first = open("sqlite::memory:");
  ql_do(first, "create table shared_memory (x integer)", &error_);
  ql_do(first, "insert into shared_memory values (42)", &error_);
  ql_handle second = open("sqlite::memory:", 3);
  EXPECT_EQ(scalar(second, "select x from shared_memory"), "42");
  ql_close(first);
  ql_pool_close(second);

  ql_handle later = open("sqlite::memory:", 1, 1);
  EXPECT_EQ(scalar(later, "select x from shared_memory"), "42");
  EXPECT_EQ(ql_do(later, "insert into shared_memory values (1)", &error_), -1) << "read-only";
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  ql_close(later);
}

TEST_F(Sqlite, WritersWaitForEachOthersLocks) {
  ql_handle setup = open("sqlite::memory:");
  ql_do(setup, "create table waited (x integer)", &error_);
  ql_handle holder = open("sqlite::memory:");
  ASSERT_EQ(ql_do(holder, "begin immediate", &error_), 0);
  ql_do(holder, "insert into waited values (1)", &error_);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ClientError error{};
    ql_do(holder, "commit", &error);
  });
  // The write lock is taken; this waits until the commit instead of failing.
  ClientError error{};
  EXPECT_EQ(ql_do(setup, "insert into waited values (2)", &error), 1);
  EXPECT_EQ(error.code, 0) << error.text;
  release.join();
  EXPECT_EQ(scalar(setup, "select count(*) from waited"), "2");
  ql_do(setup, "drop table waited", &error_);
  ql_close(holder);
  ql_close(setup);
}

// A session alone on the memory database holds it exclusively between its
// statements; one that opens later must still read and write at once, also
// when the first is idle on the same thread or inside a transaction.
TEST_F(Sqlite, ALoneSessionsHoldGivesWayToTheNextSession) {
  ql_handle first = open("sqlite::memory:");
  ASSERT_EQ(ql_do(first, "create table held (x integer)", &error_), 0) << error_.text;
  ASSERT_EQ(ql_do(first, "insert into held values (1)", &error_), 1) << error_.text;
  ql_handle second = open("sqlite::memory:");
  EXPECT_EQ(ql_do(second, "insert into held values (2)", &error_), 1) << error_.text;
  EXPECT_EQ(ql_do(first, "insert into held values (3)", &error_), 1) << error_.text;
  EXPECT_EQ(scalar(second, "select count(*) from held"), "3");
  ql_close(second);
  // Alone again, the first keeps working; a session opened next, inside the
  // first one's transaction, waits for its commit as any writer does.
  EXPECT_EQ(ql_do(first, "insert into held values (4)", &error_), 1) << error_.text;
  ql_close(first);
  ql_handle lone = open("sqlite::memory:");
  ASSERT_EQ(ql_do(lone, "begin", &error_), 0) << error_.text;
  ASSERT_EQ(ql_do(lone, "insert into held values (5)", &error_), 1) << error_.text;
  ql_handle next = open("sqlite::memory:");
  std::thread commit([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ClientError error{};
    ql_do(lone, "commit", &error);
  });
  ClientError error{};
  EXPECT_EQ(ql_do(next, "insert into held values (6)", &error), 1) << error.text;
  commit.join();
  EXPECT_EQ(scalar(next, "select count(*) from held"), "6");
  ql_do(next, "drop table held", &error_);
  ql_close(next);
  ql_close(lone);
}

TEST_F(Sqlite, DatabasesThatDoNotOpen) {
  EXPECT_EQ(ql_open("sqlite:/nonexistent-dir/x.db", "", nullptr, "", "", "", 0, 20, 1024, 1, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
  EXPECT_NE(std::string(error_.text).find("/nonexistent-dir/x.db"), std::string::npos) << error_.text;
  EXPECT_EQ(ql_open("sqlite:/tmp/ql-client-missing.db", "", nullptr, "", "", "", 1, 20, 1024, 1, &error_), 0)
      << "read-only does not create";
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
  EXPECT_EQ(ql_list_db("sqlite:/tmp/ql-client-missing.db", "", nullptr, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_CONNECT);
  EXPECT_EQ(ql_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024, 5, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT) << "code page 5";
  EXPECT_EQ(ql_pool_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024, 1, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT) << "no sessions";
}

// A SQLite text may hold NUL bytes: the page keeps every byte (converted
// to Latin-1 in code page 0) and its length counts them.
TEST_F(Sqlite, TextsWithNulBytesKeepEveryByte) {
  for (int32_t code_page : {1, 0}) {
    ql_handle db = ql_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024, code_page, &error_);
    ql_cursor cursor = ql_query(db, "select cast(x'610062C3A9' as text)", nullptr, nullptr, nullptr, 0, 0, &error_);
    int64_t length = -1;
    const char* text = ql_pool_view(cursor, 0, 0, 0, &length, &error_);
    ASSERT_NE(text, nullptr) << error_.text;
    EXPECT_EQ(std::string(text, length), code_page == 1 ? std::string("a\0b\xC3\xA9", 5) : std::string("a\0b\xE9", 4));
    ql_close_cursor(cursor);
    ql_close(db);
  }
}

TEST_F(Sqlite, PoolSizesOutsideOneTo1024AreRefused) {
  for (int32_t sessions : {0, -1, QL_MAX_SESSIONS + 1, 2000000000}) {
    ql_handle handle = ql_pool_open("sqlite::memory:", "", nullptr, "", "", "", 0, 20, 1024, 1,
                                    sessions, &error_);
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(error_.code, QL_ERR_ARGUMENT) << sessions;
  }
  EXPECT_NE(std::string(error_.text).find("at most 1024"), std::string::npos) << error_.text;
}

}  // namespace
}  // namespace ql_test
