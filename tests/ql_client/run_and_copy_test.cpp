// ql_run, ql_pool_run and ql_copy on both engines: statements whose answer
// is rows whatever their first word, and COPY data through the copy
// protocol (PostgreSQL; SQLite runs the statement as ql_do would).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

using RunAndCopy = EngineTest;

struct Ran {
  ql_cursor cursor = 0;
  int32_t columns = -7, rows = -7, fetched = -7;
};

Ran run_any(ql_handle handle, const std::string& text, ClientError* error) {
  Ran ran;
  ran.cursor = ql_run(handle, text.c_str(), &ran.columns, &ran.rows, &ran.fetched, error);
  return ran;
}

TEST_P(RunAndCopy, RowsComeBackWhateverTheFirstWord) {
  ql_handle handle = open();
  Ran created = run_any(handle, "create temporary table r (x int)", &error_);
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_EQ(created.cursor, 0);
  EXPECT_EQ(created.rows, 0);
  EXPECT_EQ(created.columns, 0);

  Ran inserted = run_any(handle, "insert into r values (1), (2) returning x, x * 10 as y", &error_);
  ASSERT_NE(inserted.cursor, 0) << error_.text;
  Table t = read_table(inserted.cursor, 0, inserted.columns, inserted.rows, inserted.fetched);
  EXPECT_EQ(t.captions, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(t.rows, 2);
  EXPECT_EQ(t.cells[1][1], "20");
  ql_close_cursor(inserted.cursor);

  Ran values = run_any(handle, "values (5)", &error_);
  ASSERT_NE(values.cursor, 0);
  EXPECT_EQ(values.rows, 1);
  ql_close_cursor(values.cursor);

  Ran empty = run_any(handle, "select x from r where x > 100", &error_);
  ASSERT_NE(empty.cursor, 0) << "rows, even none, are an answer of rows";
  EXPECT_EQ(empty.rows, 0);
  ql_close_cursor(empty.cursor);

  Ran updated = run_any(handle, "update r set x = x + 1", &error_);
  EXPECT_EQ(updated.cursor, 0);
  EXPECT_EQ(updated.rows, 2);

  Ran failed = run_any(handle, "insert into nowhere values (1) returning *", &error_);
  EXPECT_EQ(failed.cursor, 0);
  EXPECT_EQ(failed.rows, -1);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
}

TEST_P(RunAndCopy, ADataChangingStatementFinishesPastTheAnswersLimit) {
  ql_handle handle = open(1, 0, 2, 3);
  run(handle, "create temporary table many (x int)");
  Ran inserted = run_any(handle, "insert into many select x from (" + series(10) + ") s returning x", &error_);
  ASSERT_NE(inserted.cursor, 0) << error_.text;
  EXPECT_EQ(inserted.rows, 3) << "counted up to the limit";
  EXPECT_EQ(inserted.fetched, 2);
  ql_close_cursor(inserted.cursor);
  EXPECT_EQ(query(handle, "select count(*) from many").cells[0][0], "10") << "but every row went in";
}

TEST_P(RunAndCopy, PoolEntriesSayWhichAnsweredWithRows) {
  ql_handle pool = open_pool(1);
  const char* texts[] = {"create temporary table p (x int)", "insert into p values (3) returning x",
                         "insert into nowhere values (1)", "delete from p"};
  int32_t columns[4], rows[4], fetched[4], with_rows[4];
  ql_cursor cursor = ql_pool_run(pool, texts, 4, columns, rows, fetched, with_rows, &error_);
  ASSERT_NE(cursor, 0);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE) << "entry 2 fails";
  EXPECT_EQ(std::vector<int32_t>(with_rows, with_rows + 4), (std::vector<int32_t>{0, 1, 0, 0}));
  EXPECT_EQ(std::vector<int32_t>(rows, rows + 4), (std::vector<int32_t>{0, 1, -1, 1}));
  Table t = read_table(cursor, 1, columns[1], rows[1], fetched[1]);
  EXPECT_EQ(t.cells[0][0], "3");
  ql_pool_close_cursor(cursor);

  const char* none[] = {"delete from p"};
  EXPECT_EQ(ql_pool_run(pool, none, 1, columns, rows, fetched, with_rows, &error_), 0)
      << "no rows, nothing to close";
  EXPECT_EQ(error_.code, 0);
  EXPECT_EQ(with_rows[0], 0);
}

TEST_P(RunAndCopy, CopyDataGoesInAndComesOut) {
  ql_handle handle = open();
  run(handle, "create temporary table c (n int, s text)");
  std::string data = "1\tone;\n2\t\\N\n";
  int32_t copied = ql_copy(handle, "copy c from stdin", data.data(), static_cast<int64_t>(data.size()), nullptr,
                           nullptr, &error_);
  if (GetParam() == Engine::sqlite) {
    EXPECT_EQ(copied, -1);  // SQLite has no COPY: the engine's syntax error
    EXPECT_EQ(error_.code, QL_ERR_ENGINE);
    return;
  }
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_EQ(copied, 2);

  std::string out;
  auto collect = [](void* context, const char* bytes, int32_t length) {
    static_cast<std::string*>(context)->append(bytes, static_cast<size_t>(length));
  };
  EXPECT_EQ(ql_copy(handle, "copy c to stdout", nullptr, 0, collect, &out, &error_), 2);
  EXPECT_EQ(out, data);

  std::string bad = "3\tthree\nx\ty\n";
  EXPECT_EQ(ql_copy(handle, "copy c from stdin", bad.data(), static_cast<int64_t>(bad.size()), nullptr, nullptr,
                    &error_),
            -1);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_NE(std::string(error_.text).find("invalid input syntax for type integer"), std::string::npos) << error_.text;
  EXPECT_EQ(query(handle, "select count(*) from c").cells[0][0], "2") << "the session goes on, the copy undone";

  EXPECT_EQ(ql_copy(handle, "copy c from stdin", nullptr, 5, nullptr, nullptr, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_copy(handle, "update c set n = n", nullptr, 0, nullptr, nullptr, &error_), 2) << "any statement runs";
}

INSTANTIATE_TEST_SUITE_P(Engines, RunAndCopy, testing::Values(Engine::sqlite, Engine::postgres), engine_name);

}  // namespace
}  // namespace ql_test
