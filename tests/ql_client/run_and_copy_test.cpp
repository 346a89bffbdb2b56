// ql_run, ql_pool_run and ql_copy on both engines: statements whose answer
// is rows whatever their first word, and COPY data through the copy
// protocol, given up front or pulled as the engine asks for it
// (PostgreSQL; SQLite runs the statement as ql_do would).
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

// A copy source that gives its pieces one per call, then ends the data
// (0), or aborts the copy (-1) with `abort_reason` when that is set.
struct Pieces {
  std::vector<std::string> pieces;
  const char* abort_reason = nullptr;
  size_t given = 0;
  int calls = 0;

  static int32_t give(void* context, const char** data) {
    Pieces* self = static_cast<Pieces*>(context);
    ++self->calls;
    if (self->given < self->pieces.size()) {
      const std::string& piece = self->pieces[self->given++];
      *data = piece.data();
      return static_cast<int32_t>(piece.size());
    }
    *data = self->abort_reason;
    return self->abort_reason != nullptr ? -1 : 0;
  }
};

void append_to(void* context, const char* data, int32_t length) {
  static_cast<std::string*>(context)->append(data, static_cast<size_t>(length));
}

TEST_P(RunAndCopy, StreamsPullCopyDataOnlyWhenTheEngineAsks) {
  ql_handle handle = open();
  Pieces source;
  std::string out;
  ASSERT_EQ(ql_set_copy_streams(handle, Pieces::give, &source, append_to, &out, &error_), 1) << error_.text;
  run(handle, "create temporary table s (n int, t text)");
  if (GetParam() == Engine::sqlite) {
    source.pieces = {"1\tone\n"};
    run_any(handle, "copy s from stdin", &error_);
    EXPECT_EQ(error_.code, QL_ERR_ENGINE) << "no COPY in SQLite";
    EXPECT_EQ(source.calls, 0);
    return;
  }
  const std::string kRows = "select string_agg(n || ':' || t, ',' order by n) from s";
  struct Case {
    const char* name;
    const char* text;
    std::vector<std::string> pieces;
    const char* abort_reason;
    bool in_block;
    int32_t rows;  // -1: the statement fails
    int calls;
    std::string table;  // kRows afterwards
    std::string out;
  } cases[] = {
      {"pieces, a line cut in two", "copy s from stdin", {"1\tone\n", "2\t", "two\n"}, nullptr, false, 2, 4,
       "1:one,2:two", ""},
      {"no data", "copy s from stdin", {}, nullptr, false, 0, 1, "1:one,2:two", ""},
      {"aborted", "copy s from stdin", {"3\tthree\n"}, "the script ended early", false, -1, 2, "1:one,2:two", ""},
      {"in a transaction block", "copy s from stdin", {"3\tthree\n"}, nullptr, true, 1, 2, "1:one,2:two,3:three",
       ""},
      {"two copies in one text", "copy s from stdin; copy s (n) from stdin", {"4\tfour\n"}, nullptr, false, 0, 3,
       "1:one,2:two,3:three,4:four", ""},
      {"out to the sink", "copy (select n from s order by n) to stdout", {}, nullptr, false, 4, 0,
       "1:one,2:two,3:three,4:four", "1\n2\n3\n4\n"},
      {"not a copy", "update s set n = n", {"5\tfive\n"}, nullptr, false, 4, 0, "1:one,2:two,3:three,4:four", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    source = Pieces{c.pieces, c.abort_reason};
    out.clear();
    if (c.in_block) run(handle, "begin");
    Ran ran = run_any(handle, c.text, &error_);
    EXPECT_EQ(ran.cursor, 0);
    EXPECT_EQ(ran.rows, c.rows) << error_.text;
    if (c.abort_reason != nullptr) {
      EXPECT_EQ(error_.code, QL_ERR_ENGINE);
      EXPECT_NE(std::string(error_.text).find(c.abort_reason), std::string::npos) << error_.text;
    }
    if (c.in_block) run(handle, "commit");
    EXPECT_EQ(source.calls, c.calls);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(query(handle, kRows).cells[0][0], c.table);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, RunAndCopy, testing::Values(Engine::sqlite, Engine::postgres), engine_name);

}  // namespace
}  // namespace ql_test
