// The contract of ql_client.h, run on both engines.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

using Contract = EngineTest;
using std::nullopt;
using std::optional;
using std::string;

TEST_P(Contract, QueryCountsValuesNullsAndEmptyStrings) {
  ql_handle db = open();
  run(db, "create table people (id integer, name varchar(20), city varchar(20))");
  EXPECT_EQ(run(db, "insert into people values (1, 'Ann', null), (22, 'Bartholomew', 'Oslo'), (333, '', 'Rome')"),
            3);
  Table t = query(db, "select id, name, city from people order by id");
  EXPECT_EQ(t.columns, 3);
  EXPECT_EQ(t.rows, 3);
  EXPECT_EQ(t.fetched, 3);
  EXPECT_EQ(t.captions, (std::vector<string>{"id", "name", "city"}));
  ASSERT_EQ(t.cells.size(), 3u);
  EXPECT_EQ(t.cells[0], (std::vector<optional<string>>{"1", "Ann", nullopt}));
  EXPECT_EQ(t.cells[2], (std::vector<optional<string>>{"333", "", "Rome"}));

  EXPECT_EQ(run(db, "update people set city = 'Bergen' where id > 1"), 2);
  EXPECT_EQ(run(db, "delete from people where id = 1"), 1);
  EXPECT_EQ(run(db, "create table other (x integer)"), 0);

  Table empty = query(db, "select id from people where id < 0");
  EXPECT_EQ(empty.columns, 1);
  EXPECT_EQ(empty.rows, 0);
  EXPECT_EQ(empty.fetched, 0);
}

TEST_P(Contract, AffectedRowsLeaveOutWhatTriggersChanged) {
  // Each row written to `audited` writes three to `audit_log`.
  std::vector<string> setup = {"create temporary table audited (x integer)",
                               "create temporary table audit_log (x integer)"};
  if (GetParam() == Engine::postgres) {
    setup.push_back(
        "create function pg_temp.log_row() returns trigger language plpgsql as $$ begin "
        "insert into audit_log select new.x from generate_series(1, 3); return new; end $$");
    setup.push_back("create trigger logged after insert or update on audited for each row execute function "
                    "pg_temp.log_row()");
  } else {
    setup.push_back("create temporary trigger logged after insert on audited begin "
                    "insert into audit_log values (new.x), (new.x), (new.x); end");
    setup.push_back("create temporary trigger updated after update on audited begin "
                    "insert into audit_log values (new.x), (new.x), (new.x); end");
  }
  // The last statement changes nothing, right after one that changed a row.
  const char* texts[] = {"insert into audited values (1), (2), (3)", "update audited set x = x + 1 where x > 1",
                         "delete from audited where x = 1", "create temporary table untouched (x integer)"};
  const std::vector<int32_t> expected = {3, 2, 1, 0};
  using Call = std::vector<int32_t> (*)(ql_handle, const char* const*, ClientError*);
  struct Way {
    const char* name;
    Call call;
  } ways[] = {
      {"do", [](ql_handle h, const char* const* t, ClientError* e) {
         std::vector<int32_t> counts;
         for (int i = 0; i < 4; ++i) counts.push_back(ql_do(h, t[i], e));
         return counts;
       }},
      {"run", [](ql_handle h, const char* const* t, ClientError* e) {
         std::vector<int32_t> counts(4);
         for (int i = 0; i < 4; ++i) EXPECT_EQ(ql_run(h, t[i], nullptr, &counts[i], nullptr, e), 0);
         return counts;
       }},
      {"pool_do", [](ql_handle h, const char* const* t, ClientError* e) {
         std::vector<int32_t> counts(4);
         EXPECT_EQ(ql_pool_do(h, t, 4, counts.data(), e), 0);
         return counts;
       }},
      {"pool_run", [](ql_handle h, const char* const* t, ClientError* e) {
         std::vector<int32_t> counts(4), with_rows(4);
         EXPECT_EQ(ql_pool_run(h, t, 4, nullptr, counts.data(), nullptr, with_rows.data(), e), 0);
         return counts;
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    ql_handle db = open();  // a session of its own: the temporary tables are new
    for (const string& text : setup) run(db, text);
    EXPECT_EQ(way.call(db, texts, &error_), expected) << error_.text;
    EXPECT_EQ(query(db, "select count(*) from audit_log").cells[0][0], "15") << "the triggers did run";
  }
}

TEST_P(Contract, PageAndAnswersLimits) {
  ql_handle db = open();
  Table page = query(db, series(57));
  EXPECT_EQ(page.rows, 57);
  EXPECT_EQ(page.fetched, 20);
  ASSERT_EQ(page.cells.size(), 20u);
  EXPECT_EQ(page.cells[19][0], "20");

  Table limited = query(db, series(5000));
  EXPECT_EQ(limited.rows, 1024);
  EXPECT_EQ(limited.fetched, 20);

  // A query that never ends stops at the limit, and the session goes on.
  Table endless_rows = query(db, endless());
  EXPECT_EQ(endless_rows.rows, 1024);
  EXPECT_EQ(query(db, "select 7").cells[0][0], "7");

  // Per-query limits replace the session's; below 1 keeps no rows or counts all.
  Table custom = query(db, series(100), 5, 50);
  EXPECT_EQ(custom.rows, 50);
  EXPECT_EQ(custom.fetched, 5);
  Table none = query(db, series(3000), -1, -1);
  EXPECT_EQ(none.rows, 3000);
  EXPECT_EQ(none.fetched, 0);
}

TEST_P(Contract, StoppingAtTheLimitKeepsAnOpenTransaction) {
  ql_handle db = open();
  run(db, "create table kept_rows (x integer)");
  run(db, "begin");
  run(db, "insert into kept_rows values (1)");
  EXPECT_EQ(query(db, series(5000)).rows, 1024);
  run(db, "commit");
  EXPECT_EQ(query(db, "select count(*) from kept_rows").cells[0][0], "1");
}

TEST_P(Contract, EndlessStatementsStopAtTheLimitInAndOutOfBlocks) {
  ql_handle db = open();
  // Run without a page (ql_do), the rows are counted up to the limit too.
  EXPECT_EQ(run(db, endless()), 1024);
  run(db, "create table kept_rows (x integer)");
  run(db, "begin");
  run(db, "insert into kept_rows values (1)");
  EXPECT_EQ(query(db, endless(), 0, 100).rows, 100);
  EXPECT_EQ(run(db, endless()), 1024);
  // The stops left the block whole: it takes statements and commits both rows.
  run(db, "insert into kept_rows values (2)");
  run(db, "commit");
  EXPECT_EQ(query(db, "select count(*) from kept_rows").cells[0][0], "2");

  // A statement that changes data is never cut short and reports every row.
  EXPECT_EQ(run(db, "insert into kept_rows select x from (" + series(3000) + ") q returning x"), 3000);
  EXPECT_EQ(query(db, "select count(*) from kept_rows").cells[0][0], "3002");

  // A pool session inside a block: its batch stops each endless entry.
  ql_handle pool = open_pool(1);
  run(pool, "begin");
  std::string text = endless();
  const char* texts[] = {text.c_str(), "select 5", text.c_str()};
  int32_t rows[3] = {};
  ql_cursor cursor = ql_pool_query(pool, texts, 3, nullptr, rows, nullptr, 0, 10, &error_);
  EXPECT_EQ(error_.code, 0) << error_.text;
  EXPECT_EQ(rows[0], 10);
  EXPECT_EQ(rows[1], 1);
  EXPECT_EQ(rows[2], 10);
  ql_pool_close_cursor(cursor);
  run(pool, "commit");
  // Outside a block a session sends its entries at once (PostgreSQL
  // pipelining): each endless one is stopped and the next ones still run.
  const char* loose[] = {text.c_str(), "select 5", text.c_str()};
  EXPECT_EQ(ql_pool_do(pool, loose, 3, rows, &error_), 0) << error_.text;
  EXPECT_EQ(rows[0], 1024);
  EXPECT_EQ(rows[1], 1);
  EXPECT_EQ(rows[2], 1024);
  // And a batch that opens the block itself.
  const char* block[] = {"begin", "insert into kept_rows values (3)", text.c_str(), "commit"};
  int32_t affected[4] = {};
  EXPECT_EQ(ql_pool_do(pool, block, 4, affected, &error_), 0) << error_.text;
  EXPECT_EQ(affected[2], 1024);
  EXPECT_EQ(query(db, "select count(*) from kept_rows").cells[0][0], "3003");
}

TEST_P(Contract, CancelFromAnotherThreadStopsTheStatement) {
  ql_handle db = open();
  std::string slow = GetParam() == Engine::postgres
                         ? "select pg_sleep(30)"
                         : "with recursive s(x) as (select 1 union all select x + 1 from s where x < 10000000000) "
                           "select count(*) from s";
  auto start = std::chrono::steady_clock::now();
  std::thread canceler([db] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ql_cancel(db);
  });
  int32_t rows = 0;
  EXPECT_EQ(ql_query(db, slow.c_str(), nullptr, &rows, nullptr, 0, 0, &error_), 0);
  canceler.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_EQ(rows, -1);
  std::string message = error_.text;
  EXPECT_TRUE(message.find("cancel") != std::string::npos || message.find("interrupt") != std::string::npos)
      << message;
  // The session goes on; a cancel with nothing running changes nothing.
  ql_cancel(db);
  EXPECT_EQ(query(db, "select 7").cells[0][0], "7");
  ql_cancel(0);
  ql_cancel(123456);
}

TEST_P(Contract, ReadOnlySessionsRefuseWrites) {
  ql_handle writer = open();
  run(writer, "create table kept (x integer)");
  run(writer, "insert into kept values (1)");
  ql_handle reader = open(1, 1);
  EXPECT_EQ(ql_do(reader, "insert into kept values (2)", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_NE(string(error_.text), "");
  EXPECT_EQ(query(reader, "select count(*) from kept").cells[0][0], "1");
}

TEST_P(Contract, CodePagesConvertText) {
  ql_handle latin1 = open(0);
  ql_handle utf8 = open(1);
  run(latin1, "create table words (w varchar(10))");
  run(latin1, "insert into words values ('caf\xE9')");  // é in ISO-8859-1
  EXPECT_EQ(query(latin1, "select w from words").cells[0][0], "caf\xE9");
  EXPECT_EQ(query(utf8, "select w from words").cells[0][0], "caf\xC3\xA9") << "stored as UTF-8";
  run(utf8, "delete from words");
  run(utf8, "insert into words values ('caf\xC3\xA9')");
  EXPECT_EQ(query(utf8, "select w from words").cells[0][0], "caf\xC3\xA9");
  EXPECT_EQ(query(latin1, "select w from words").cells[0][0], "caf\xE9");
  EXPECT_EQ(query(latin1, "select 'caf\xE9' as \"\xE9t\xE9\"").captions[0], "\xE9t\xE9");
}

TEST_P(Contract, UnicodeMarkerIsRemovedAndTakesTheTextAsUtf8) {
  ql_handle latin1 = open(0);
  Table t = query(latin1, "{Unicode}select 'caf\xC3\xA9' as w");
  EXPECT_EQ(t.cells[0][0], "caf\xC3\xA9");
  EXPECT_EQ(query(latin1, "  {UNICODE} select 1").cells[0][0], "1");
  // The session's own encoding is back for the next statement.
  EXPECT_EQ(query(latin1, "select 'caf\xE9'").cells[0][0], "caf\xE9");
  // With the marker é is one character; without it, two Latin-1 ones.
  EXPECT_EQ(query(latin1, "{unicode}select length('caf\xC3\xA9')").cells[0][0], "4");
  EXPECT_EQ(query(latin1, "select length('caf\xC3\xA9')").cells[0][0], "5");

  // The same within a pool batch, where a session runs several entries at once.
  ql_handle pool = open_pool(2, 0);
  const char* texts[] = {"select 'caf\xE9'", "select 1", "{unicode}select 'caf\xC3\xA9'", "select 2",
                         "select 'caf\xE9'"};
  int32_t fetched[5] = {};
  ql_cursor cursor = ql_pool_query(pool, texts, 5, nullptr, nullptr, fetched, 0, 0, &error_);
  ASSERT_EQ(error_.code, 0) << error_.text;
  for (int entry : {0, 2, 4}) {
    Table entry_table = read_table(cursor, entry, 1, 1, fetched[entry]);
    ASSERT_EQ(entry_table.cells.size(), 1u);
    EXPECT_EQ(entry_table.cells[0][0], entry == 2 ? "caf\xC3\xA9" : "caf\xE9") << entry;
  }
  ql_pool_close_cursor(cursor);
}

TEST_P(Contract, TransactionBlockAndReportedSettings) {
  ql_handle db = open();
  struct Step {
    const char* statement;  // null: none, as the handle opens
    int32_t open;
  } steps[] = {{nullptr, 0}, {"begin", 1}, {"select 1", 1}, {"select * from missing_table", 1}, {"rollback", 0}};
  for (const Step& step : steps) {
    if (step.statement != nullptr) ql_do(db, step.statement, &error_);
    EXPECT_EQ(ql_in_transaction(db, &error_), step.open) << (step.statement ? step.statement : "opened");
    EXPECT_EQ(error_.code, 0);
  }
  EXPECT_EQ(ql_in_transaction(0, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);

  bool postgres = GetParam() == Engine::postgres;
  struct Setting {
    const char* before;  // a statement run first, or null
    const char* name;
    const char* value;  // on PostgreSQL; SQLite reports no settings
  } settings[] = {
      {nullptr, "standard_conforming_strings", "on"},
      {"set standard_conforming_strings = off", "standard_conforming_strings", "off"},
      {nullptr, "client_encoding", "UTF8"},
      {nullptr, "no_such_setting", nullptr},
  };
  for (const Setting& setting : settings) {
    if (setting.before != nullptr && postgres) run(db, setting.before);
    char* value = ql_parameter_status(db, setting.name, &error_);
    EXPECT_EQ(error_.code, 0) << error_.text;
    EXPECT_EQ(value != nullptr ? optional<string>(value) : nullopt,
              postgres && setting.value != nullptr ? optional<string>(setting.value) : nullopt)
        << setting.name;
    ql_mfree(value);
  }
  EXPECT_EQ(ql_parameter_status(db, nullptr, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_parameter_status(0, "server_encoding", &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
}

TEST_P(Contract, BatchCaptionsOfEveryEntry) {
  ql_handle pool = open_pool(2);
  const char* texts[] = {"select 1 as a, 2 as b", "select 3 as c", "select * from missing_table", "values (4)"};
  const std::vector<std::vector<string>> captions = {{"a", "b"}, {"c"}, {}, {"column1"}};
  struct Batch {
    const char* name;
    ql_cursor cursor;
  } batches[] = {
      {"query", ql_pool_query(pool, texts, 4, nullptr, nullptr, nullptr, 0, 0, &error_)},
      {"run", ql_pool_run(pool, texts, 4, nullptr, nullptr, nullptr, nullptr, &error_)},
  };
  for (const Batch& batch : batches) {
    SCOPED_TRACE(batch.name);
    ASSERT_NE(batch.cursor, 0);
    for (int32_t entry = 0; entry < 4; ++entry) {
      const std::vector<string>& expected = captions[entry];
      for (int32_t column = 0; column <= static_cast<int32_t>(expected.size()); ++column) {
        char* caption = ql_pool_caption(batch.cursor, entry, column, &error_);
        if (column < static_cast<int32_t>(expected.size())) {
          EXPECT_EQ(error_.code, 0) << error_.text;
          EXPECT_STREQ(caption, expected[column].c_str());
        } else {
          EXPECT_EQ(caption, nullptr);
          EXPECT_EQ(error_.code, QL_ERR_RANGE) << entry << ", " << column;
        }
        ql_mfree(caption);
      }
    }
    for (int32_t entry : {-1, 4}) {
      EXPECT_EQ(ql_pool_caption(batch.cursor, entry, 0, &error_), nullptr);
      EXPECT_EQ(error_.code, QL_ERR_RANGE);
    }
    ql_pool_close_cursor(batch.cursor);
    EXPECT_EQ(ql_pool_caption(batch.cursor, 0, 0, &error_), nullptr);
    EXPECT_EQ(error_.code, QL_ERR_CURSOR);
  }
}

TEST_P(Contract, BadHandlesCursorsRowsAndColumns) {
  ql_handle db = open();
  EXPECT_EQ(ql_do(0, "select 1", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
  EXPECT_EQ(ql_query(12345678, "select 1", nullptr, nullptr, nullptr, 0, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
  ql_close(0);
  ql_close(12345678);

  int32_t columns = 0, rows = 0, fetched = 0;
  ql_cursor cursor = ql_query(db, "select 1 as a, 2 as b", &columns, &rows, &fetched, 0, 0, &error_);
  ASSERT_NE(cursor, 0);
  EXPECT_EQ(ql_column_value(cursor, 1, 0, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  EXPECT_EQ(ql_column_value(cursor, 0, 2, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  EXPECT_EQ(ql_column_value(cursor, -1, 0, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  EXPECT_EQ(ql_column_caption(cursor, 2, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  EXPECT_EQ(ql_pool_fetch(cursor, 1, 0, 0, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  EXPECT_EQ(ql_pool_view(cursor, 0, 1, 0, nullptr, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_RANGE);
  ql_close_cursor(cursor);
  EXPECT_EQ(ql_column_value(cursor, 0, 0, &error_), nullptr) << "a closed cursor is unknown";
  EXPECT_EQ(error_.code, QL_ERR_CURSOR);
  EXPECT_EQ(ql_column_caption(0, 0, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_CURSOR);
  ql_close_cursor(cursor);
  ql_pool_close_cursor(0);

  // A closed handle is unknown; its cursors stay readable until closed,
  // and so do the texts they showed in place.
  ql_handle other = open();
  cursor = ql_query(other, "select 5", nullptr, nullptr, nullptr, 0, 0, &error_);
  const char* in_place = ql_pool_view(cursor, 0, 0, 0, nullptr, &error_);
  ql_close(other);
  char* value = ql_column_value(cursor, 0, 0, &error_);
  EXPECT_STREQ(value, "5");
  EXPECT_STREQ(in_place, "5");
  ql_mfree(value);
  ql_close_cursor(cursor);
  EXPECT_EQ(ql_pool_view(cursor, 0, 0, 0, nullptr, &error_), nullptr);
  EXPECT_EQ(error_.code, QL_ERR_CURSOR);
  EXPECT_EQ(ql_do(other, "select 1", &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
}

TEST_P(Contract, BadStatementsAreErrorsAndTheSessionGoesOn) {
  ql_handle db = open();
  EXPECT_EQ(ql_do(db, nullptr, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_query(db, nullptr, nullptr, nullptr, nullptr, 0, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  for (const char* empty : {"", "   ", "-- nothing\n"}) {
    EXPECT_EQ(ql_do(db, empty, &error_), -1);
    EXPECT_EQ(error_.code, QL_ERR_EMPTY) << "'" << empty << "'";
  }
  int32_t columns = 9, rows = 9, fetched = 9;
  EXPECT_EQ(ql_query(db, "selec 1", &columns, &rows, &fetched, 0, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE);
  EXPECT_NE(string(error_.text).find("selec"), string::npos) << error_.text;
  EXPECT_EQ(columns, 0);
  EXPECT_EQ(rows, -1);
  EXPECT_EQ(fetched, 0);

  // Bytes that are not UTF-8 in a UTF-8 session.
  EXPECT_EQ(ql_query(db, "select 'a\xFF\xFE'", nullptr, nullptr, nullptr, 0, 0, &error_), 0);
  EXPECT_NE(error_.code, 0);
  EXPECT_NE(string(error_.text), "");

  // A long engine message is cut to fit and stays terminated.
  string long_name(2000, 'n');
  EXPECT_EQ(ql_do(db, ("select * from " + long_name).c_str(), &error_), -1);
  EXPECT_LT(strlen(error_.text), sizeof(error_.text));

  // A 10 MB statement runs.
  string big(10 << 20, 'x');
  Table t = query(db, "select length('" + big + "')");
  EXPECT_EQ(t.cells[0][0], std::to_string(big.size()));
  EXPECT_EQ(query(db, "select 1").cells[0][0], "1");
}

TEST_P(Contract, PoolBatchResultsComeBackInEntryOrder) {
  ql_handle pool = open_pool(3);
  std::vector<string> texts;
  for (int i = 0; i < 10; ++i) texts.push_back("select " + std::to_string(i) + " as n, 'v" + std::to_string(i) + "'");
  texts[4] = "select * from missing_table";
  texts[7] = "{unicode}select 7 as n, 'caf\xC3\xA9'";
  std::vector<const char*> pointers;
  for (const string& text : texts) pointers.push_back(text.c_str());
  std::vector<int32_t> columns(10), rows(10), fetched(10);
  ql_cursor cursor = ql_pool_query(pool, pointers.data(), 10, columns.data(), rows.data(), fetched.data(), 0, 0,
                                   &error_);
  ASSERT_NE(cursor, 0);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE) << "the first failure is reported";
  for (int i = 0; i < 10; ++i) {
    if (i == 4) {
      EXPECT_EQ(rows[i], -1);
      EXPECT_EQ(columns[i], 0);
      EXPECT_EQ(fetched[i], 0);
      continue;
    }
    Table t = read_table(cursor, i, columns[i], rows[i], fetched[i]);
    ASSERT_EQ(t.rows, 1) << i;
    EXPECT_EQ(t.cells[0][0], std::to_string(i));
  }
  char* value = ql_pool_fetch(cursor, 7, 0, 1, &error_);
  EXPECT_STREQ(value, "caf\xC3\xA9");
  ql_mfree(value);
  ql_pool_close_cursor(cursor);

  // A single query on a pool handle runs on its first session.
  EXPECT_EQ(query(pool, "select 3").cells[0][0], "3");
}

TEST_P(Contract, PoolDoBatchOfMixedSuccessesAndFailures) {
  ql_handle pool = open_pool(2);
  run(pool, "create table counted (x integer)");
  // Entries 0, 2 and 4 run on session 0 in that order; 1, 3 and 5 fail.
  const char* texts[] = {"insert into counted values (1)", "insert into nowhere values (1)",
                         "insert into counted select x + 10 from counted", nullptr,
                         "update counted set x = x + 1", ""};
  int32_t affected[6] = {};
  EXPECT_EQ(ql_pool_do(pool, texts, 6, affected, &error_), 3);
  EXPECT_EQ(error_.code, QL_ERR_ENGINE) << "entry 1 fails first";
  EXPECT_EQ(std::vector<int32_t>(affected, affected + 6), (std::vector<int32_t>{1, -1, 1, -1, 2, -1}));
  EXPECT_EQ(query(pool, "select count(*) from counted").cells[0][0], "2");

  EXPECT_EQ(ql_pool_do(pool, nullptr, 2, affected, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  const char* lone_null[] = {nullptr};
  EXPECT_EQ(ql_pool_do(pool, lone_null, 1, affected, &error_), 1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_pool_do(pool, texts + 2, 2, affected, &error_), 1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT) << "the null text of entry 1, on session 1";
  EXPECT_EQ(ql_pool_do(pool, texts, 0, affected, &error_), -1);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_pool_query(0, texts, 1, nullptr, nullptr, nullptr, 0, 0, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
}

TEST_P(Contract, ListDbAnswersWhenTheEngineIsThere) {
  open();  // creates the SQLite file
  char* list = nullptr;
  EXPECT_EQ(ql_list_db(host().c_str(), port().c_str(), &list, &error_), 1) << error_.text;
  EXPECT_EQ(error_.code, 0);
  ql_mfree(list);
  EXPECT_EQ(ql_list_db(nullptr, "1", &list, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(list, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Engines, Contract, testing::Values(Engine::sqlite, Engine::postgres), engine_name);

}  // namespace
}  // namespace ql_test
