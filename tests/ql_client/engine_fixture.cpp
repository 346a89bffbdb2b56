#include "tests/ql_client/engine_fixture.h"

#include <unistd.h>

#include <cstdio>

namespace ql_test {

Table read_table(ql_cursor cursor, int32_t entry, int32_t columns, int32_t rows, int32_t fetched) {
  Table table{columns, rows, fetched, {}, {}};
  ClientError error{};
  for (int32_t c = 0; c < columns && entry == 0; ++c) {
    char* caption = ql_column_caption(cursor, c, &error);
    EXPECT_EQ(error.code, 0) << error.text;
    table.captions.emplace_back(caption != nullptr ? caption : "<null>");
    ql_mfree(caption);
  }
  // Every cell is read twice: as a copy, and in place, where the copy must
  // find the same bytes.
  for (int32_t r = 0; r < fetched; ++r) {
    table.cells.emplace_back();
    for (int32_t c = 0; c < columns; ++c) {
      char* value = ql_pool_fetch(cursor, entry, r, c, &error);
      EXPECT_EQ(error.code, 0) << error.text;
      int64_t length = -1;
      const char* view = ql_pool_view(cursor, entry, r, c, &length, &error);
      EXPECT_EQ(error.code, 0) << error.text;
      EXPECT_EQ(view == nullptr, value == nullptr);
      if (view != nullptr && value != nullptr) {
        EXPECT_EQ(std::string(view, length + 1), std::string(value, length + 1));
      }
      table.cells.back().push_back(view ? std::optional<std::string>(std::string(view, length)) : std::nullopt);
      ql_mfree(value);
    }
  }
  return table;
}

void EngineTest::SetUp() {
  if (GetParam() == Engine::postgres) {
    SKIP_WITHOUT_POSTGRES();
    // The server's database outlives a test: drop what an earlier run of
    // the suite against the same server may have left.
    ClientError error{};
    ql_handle handle = ql_open(postgres_host().c_str(), postgres_port().c_str(), nullptr,
                               postgres_user().c_str(), "", "", 0, 20, 1024, 1, &error);
    ql_do(handle, "drop table if exists people, other, kept_rows, kept, words, counted", &error);
    ql_close(handle);
    return;
  }
  char path[] = "/tmp/ql_client_test.XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  unlink(path);  // SQLite creates it
  sqlite_path_ = path;
}

void EngineTest::TearDown() {
  for (ql_handle handle : handles_) ql_close(handle);
  if (!sqlite_path_.empty()) std::remove(sqlite_path_.c_str());
}

std::string EngineTest::host() const {
  return GetParam() == Engine::sqlite ? "sqlite:" + sqlite_path_ : postgres_host();
}

std::string EngineTest::port() const { return GetParam() == Engine::sqlite ? "" : postgres_port(); }

ql_handle EngineTest::open(int32_t code_page, int32_t read_only, int32_t page_size, int32_t answers_limit) {
  ql_handle handle = ql_open(host().c_str(), port().c_str(), nullptr, postgres_user().c_str(), "", "English",
                             read_only, page_size, answers_limit, code_page, &error_);
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_NE(handle, 0);
  handles_.push_back(handle);
  return handle;
}

ql_handle EngineTest::open_pool(int32_t sessions, int32_t code_page) {
  ql_handle handle = ql_pool_open(host().c_str(), port().c_str(), nullptr, postgres_user().c_str(), "", "English", 0,
                                  20, 1024, code_page, sessions, &error_);
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_NE(handle, 0);
  handles_.push_back(handle);
  return handle;
}

int32_t EngineTest::run(ql_handle handle, const std::string& text) {
  int32_t affected = ql_do(handle, text.c_str(), &error_);
  EXPECT_EQ(error_.code, 0) << text << ": " << error_.text;
  return affected;
}

Table EngineTest::query(ql_handle handle, const std::string& text, int32_t page_size, int32_t answers_limit) {
  int32_t columns = -7, rows = -7, fetched = -7;
  ql_cursor cursor = ql_query(handle, text.c_str(), &columns, &rows, &fetched, page_size, answers_limit, &error_);
  EXPECT_EQ(error_.code, 0) << text << ": " << error_.text;
  EXPECT_NE(cursor, 0);
  Table table = read_table(cursor, 0, columns, rows, fetched);
  ql_close_cursor(cursor);
  return table;
}

std::string EngineTest::series(int64_t n) const {
  if (GetParam() == Engine::postgres) return "select x from generate_series(1, " + std::to_string(n) + ") x";
  return "with recursive s(x) as (select 1 union all select x + 1 from s where x < " + std::to_string(n) +
         ") select x from s";
}

std::string EngineTest::endless() const {
  return "with recursive s(x) as (select 1 union all select x + 1 from s) select x from s";
}

}  // namespace ql_test
