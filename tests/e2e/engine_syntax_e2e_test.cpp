// Scripts written for each engine's own client, run by the binary: the
// engine's quotes, identifiers, comments and bodies, COPY data, client
// commands of other tools, and the rows of statements that are not queries
// by their first word. PostgreSQL runs skip when no test server is up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

class PostgresSyntax : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    server_ = pg_test_server();
    if (!server_.available()) GTEST_SKIP() << "no PostgreSQL test server";
  }
  // Runs `script` as s.sql (and whatever else `arguments` name), in raw
  // mode, quiet unless asked otherwise.
  RunResult run(const std::string& script, std::vector<std::string> arguments = {}, bool quiet = true) {
    write_file("s.sql", script);
    bool sources_named = false;
    for (const std::string& argument : arguments) sources_named = sources_named || argument.starts_with("--sql=");
    if (!sources_named) arguments.push_back("--sql=s.sql");
    if (quiet) arguments.push_back("--quiet");
    arguments.insert(arguments.begin(), {"--host=" + server_.host, "--port=" + server_.port,
                                         "--user=" + server_.user, "--mode=w", "--raw"});
    RunResult result = run_tarnwick(arguments, "", dir_.string());
    // The server's notices go to standard error as psql shows them; those
    // of "drop ... if exists" depend on what an earlier run left behind.
    std::string kept;
    size_t at = 0;
    while (at < result.err.size()) {
      size_t end = result.err.find('\n', at);
      end = end == std::string::npos ? result.err.size() : end + 1;
      if (result.err.compare(at, 9, "NOTICE:  ") != 0) kept += result.err.substr(at, end - at);
      at = end;
    }
    result.err = kept;
    return result;
  }
  PgServer server_;
};

TEST_F(PostgresSyntax, FunctionBodiesInDollarQuotesRunWhole) {
  RunResult result = run(
      "create or replace function e2e_add(x int) returns int as $$\n"
      "begin\n  -- one; two\n  return x + 1; /* three; */\nend;\n$$ language plpgsql;\n"
      "create or replace function e2e_tag() returns text as $fn$ select 'a;b'::text $fn$ language sql;\n"
      "select e2e_add(41) as a, e2e_tag() as b;\n");
  EXPECT_EQ(result.out, "1 row(s)\n+-+-+\n|a|b|\n+-+-+\n|42|a;b|\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(PostgresSyntax, QuotesIdentifiersCommentsAndTheHashOperator) {
  RunResult result = run(
      "drop table if exists e2e_flags;\ncreate table e2e_flags (id int, f int);\n"
      "insert into e2e_flags values (1, 1);\n"
      "update e2e_flags set f = f # 4\nwhere id = 1;\n"
      "/* a /* nested; */ comment; */\n/** header **/\n"
      "select f, E'it\\'s;' as \"q;x\", U&'d\\0061t' as u from e2e_flags;\n");
  EXPECT_EQ(result.out, "1 row(s)\n+-+---+-+\n|f|q;x|u|\n+-+---+-+\n|5|it's;|dat|\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(PostgresSyntax, CopyDataAndRowsOfEveryKindOfStatement) {
  RunResult result = run(
      "drop table if exists e2e_items;\ncreate table e2e_items (id serial, name text);\n"
      "copy e2e_items (name) from stdin;\napple\npear;x\n\\.\n"
      "\\echo not sql\n"
      "insert into e2e_items (name) values ('fig') returning id, name;\n"
      "with x as (select count(*) as n from e2e_items) select * from x;\n"
      "values (1, 'one');\ntable e2e_items;\nselect*from e2e_items where id = 2;\n"
      "copy (select name from e2e_items order by id) to stdout;\n",
      {}, false);
  EXPECT_EQ(result.out,
            "type quit; to exit.\n0 row affected\n0 row affected\n2 rows affected\n"
            "1 row(s)\n+--+----+\n|id|name|\n+--+----+\n|3|fig|\n"
            "1 row(s)\n+-+\n|n|\n+-+\n|3|\n"
            "1 row(s)\n+-------+-------+\n|column1|column2|\n+-------+-------+\n|1|one|\n"
            "3 row(s)\n+--+----+\n|id|name|\n+--+----+\n|1|apple|\n|2|pear;x|\n|3|fig|\n"
            "1 row(s)\n+--+----+\n|id|name|\n+--+----+\n|2|pear;x|\n"
            "apple\npear;x\nfig\n3 rows affected\n");
  EXPECT_EQ(result.err, "Skipping client command in 's.sql' line 7: \\echo not sql\n");
}

TEST_F(PostgresSyntax, ShowAndExplainShowTheirRows) {
  RunResult result = run("show standard_conforming_strings;\nexplain (costs off) select 1;\n");
  EXPECT_EQ(result.out,
            "1 row(s)\n+---------------------------+\n|standard_conforming_strings|\n"
            "+---------------------------+\n|on|\n"
            "1 row(s)\n+----------+\n|QUERY PLAN|\n+----------+\n|Result|\n");
}

TEST_F(PostgresSyntax, RejectedCopyDataIsReportedAndTheRunGoesOn) {
  RunResult result = run(
      "drop table if exists e2e_nums;\ncreate table e2e_nums (n int);\n"
      "copy e2e_nums from stdin;\n1\nnot a number\n\\.\n"
      "select count(*) as c from e2e_nums;\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("Error : ERROR:  invalid input syntax for type integer: \"not a number\""),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("|c|\n+-+\n|0|\n"), std::string::npos) << result.out;
}

TEST_F(PostgresSyntax, AnOpenDollarQuoteRunsAsTheLastStatementAndTheNextSourceIsClean) {
  write_file("b.sql", "select 'clean' as s;\n");
  RunResult result = run("select 1 as one;\nselect $$ never closed;\n", {"--sql=s.sql,b.sql"});
  EXPECT_NE(result.out.find("Error : ERROR:  unterminated dollar-quoted string"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("|clean|"), std::string::npos) << result.out;
  EXPECT_EQ(result.err,
            "Unterminated dollar quote at the end of 's.sql' (opened on line 2) runs as its last statement\n");
}

TEST_F(PostgresSyntax, AnOpenCopyBlockSendsWhatItHas) {
  RunResult result = run(
      "drop table if exists e2e_open;\ncreate table e2e_open (n int);\n"
      "copy e2e_open from stdin;\n7\n8\n",
      {}, false);
  EXPECT_EQ(result.out, "type quit; to exit.\n0 row affected\n0 row affected\n2 rows affected\n");
  EXPECT_EQ(result.err, "The copy data in 's.sql' (from line 4) has no end line \\.\n");
}

TEST_F(PostgresSyntax, PoolEntriesWithRowsShowTheirTables) {
  // One session, so that the three entries run in order.
  RunResult result = run(
      "drop table if exists e2e_pool;\ncreate table e2e_pool (n int);\n"
      "insert into e2e_pool values (1), (2) returning n;\n",
      {"--sessions=1", "--statements=3"}, false);
  EXPECT_EQ(result.out, "type quit; to exit.\n0 row affected\n0 row affected\n2 row(s)\n++\n||\n++\n|1|\n|2|\n");
}

// psql's commands that change what a script does: \i and \ir run a file in
// place, \set ON_ERROR_STOP ends the run at the next failure (exit 3), \c
// opens a session on the database it names (as pg_dump -C writes it), and
// \q ends the source. Others are skipped with a note.
TEST_F(PostgresSyntax, ClientCommandsThatChangeTheScriptAreHonoured) {
  ASSERT_EQ(std::system(("mkdir -p " + path("sub")).c_str()), 0);
  write_file("sub/inner.sql", "select 'inner' as s;\n");
  write_file("sub/outer.sql", "\\ir inner.sql\n");
  RunResult result = run(
      "\\i sub/outer.sql\n"
      "\\connect -reuse-previous=on \"dbname='postgres'\"\n"
      "select current_database() as d;\n"
      "\\echo skipped\n"
      "\\set ON_ERROR_STOP on\n"
      "select nope;\n"
      "select 'not reached' as s;\n");
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out,
            "1 row(s)\n+-+\n|s|\n+-+\n|inner|\n1 row(s)\n+-+\n|d|\n+-+\n|postgres|\n"
            "Error : ERROR:  column \"nope\" does not exist\nLINE 1: select nope;\n               ^\n");
  EXPECT_EQ(result.err, "Skipping client command in 's.sql' line 4: \\echo skipped\n");
  RunResult quit = run("select 1 as a;\n\\q\nselect 2 as b;\n");
  EXPECT_EQ(quit.out, "1 row(s)\n+-+\n|a|\n+-+\n|1|\n");
}

// psql's describing commands, as tables in Tarnwick's style.
TEST_F(PostgresSyntax, DescribingCommandsShowTheCatalog) {
  RunResult result = run(
      "drop table if exists e2e_desc;\n"
      "create table e2e_desc (id int primary key, name text not null default 'x');\n"
      "\\d e2e_desc\n\\d e2e_missing\n");
  EXPECT_EQ(result.out,
            "2 row(s)\n+------+----+--------+-------+\n|Column|Type|Nullable|Default|\n"
            "+------+----+--------+-------+\n|id|integer|not null||\n|name|text|not null|'x'::text|\n"
            "2 row(s)\n+----+----+----------+\n|Kind|Name|Definition|\n+----+----+----------+\n"
            "|index|e2e_desc_pkey|CREATE UNIQUE INDEX e2e_desc_pkey ON public.e2e_desc USING btree (id)|\n"
            "|constraint|e2e_desc_pkey|PRIMARY KEY (id)|\n"
            "Did not find any relation named \"e2e_missing\".\n");
  EXPECT_EQ(result.err, "");
  RunResult tables = run("\\dt\n");
  EXPECT_NE(tables.out.find("|Schema|Name|Type|Owner|"), std::string::npos) << tables.out;
  EXPECT_NE(tables.out.find("|public|e2e_desc|table|"), std::string::npos) << tables.out;
}

class SqliteSyntax : public morvane::testing::TempDirTest {
 protected:
  RunResult run(const std::string& script, const std::string& mode = "--raw") {
    write_file("s.sql", script);
    return run_tarnwick({"--host=sqlite:" + path("test.db"), "--mode=w", mode, "--sql=s.sql"}, "",
                        dir_.string());
  }
};

// The sqlite3 shell's commands that change what a script does: .read runs
// a file in place, .bail on ends the run at the next failure, .quit ends the
// source.
TEST_F(SqliteSyntax, DotCommandsThatChangeTheScriptAreHonoured) {
  write_file("inner.sql", "select 'inner' as s;\n");
  RunResult result = run(".read inner.sql\n.bail on\nselect nope;\nselect 'not reached';\n");
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out, "type quit; to exit.\n1 row(s)\n+-+\n|s|\n+-+\n|inner|\nError : no such column: nope\n");
  RunResult quit = run("select 1 as a;\n.exit\nselect 2 as b;\n");
  EXPECT_EQ(quit.out, "type quit; to exit.\n1 row(s)\n+-+\n|a|\n+-+\n|1|\n");
}

// The sqlite3 shell's describing commands, and psql's \d on SQLite.
TEST_F(SqliteSyntax, DescribingCommandsShowTheSchema) {
  RunResult result = run(
      "create table item (id int primary key, name text not null default 'x');\n"
      "create index item_name on item(name);\n"
      ".tables\n\\d item\n.schema item\n\\d nope\n");
  EXPECT_EQ(result.out,
            "type quit; to exit.\n0 row affected\n0 row affected\n"
            "1 row(s)\n+----+----+\n|Name|Type|\n+----+----+\n|item|table|\n"
            "2 row(s)\n+------+----+--------+-------+\n|Column|Type|Nullable|Default|\n"
            "+------+----+--------+-------+\n|id|INT|||\n|name|TEXT|not null|'x'|\n"
            "1 row(s)\n+----+----+\n|Name|Type|\n+----+----+\n|item_name|index|\n"
            "2 row(s)\n+------+\n|Schema|\n+------+\n"
            "|CREATE TABLE item (id int primary key, name text not null default 'x')|\n"
            "|CREATE INDEX item_name on item(name)|\n"
            "Did not find any relation named \"nope\".\n");
}

TEST_F(SqliteSyntax, Utf8ColumnsAreAsWideAsTheirTextOnScreen) {
  RunResult result = run("select 'Zoë' as n union all select '東京' union all select '🙂';", "--code-page=utf8");
  EXPECT_EQ(result.out,
            "type quit; to exit.\n3 row(s)\n+----+\n|n   |\n+----+\n|Zoë |\n|東京|\n|🙂  |\n");
}

TEST_F(SqliteSyntax, IdentifiersTriggerBodiesClientCommandsAndRows) {
  RunResult result = run(
      ".headers on\n"
      "create table t (\"a;b\" int, [c;d] text, `e;f` int);\n"
      "create table log (m text);\n"
      "create trigger tr after insert on t begin\n"
      "  insert into log values ('one;');\n  insert into log values ('two');\nend;\n"
      "# a comment; on SQLite\n"
      "insert into t values (1, 'x', 2) returning \"a;b\", [c;d];\n"
      "select * from log;\npragma table_info(t);\nvalues (7);\n");
  EXPECT_EQ(result.out,
            "type quit; to exit.\n0 row affected\n0 row affected\n0 row affected\n"
            "1 row(s)\n+---+---+\n|a;b|c;d|\n+---+---+\n|1|x|\n"
            "2 row(s)\n+-+\n|m|\n+-+\n|one;|\n|two|\n"
            "3 row(s)\n+---+----+----+-------+----------+--+\n|cid|name|type|notnull|dflt_value|pk|\n"
            "+---+----+----+-------+----------+--+\n|0|a;b|INT|0||0|\n|1|c;d|TEXT|0||0|\n|2|e;f|INT|0||0|\n"
            "1 row(s)\n+-------+\n|column1|\n+-------+\n|7|\n");
  EXPECT_EQ(result.err, "Skipping client command in 's.sql' line 1: .headers on\n");
}

TEST_F(SqliteSyntax, AnOpenIdentifierIsReported) {
  RunResult result = run("select 1 as [x;\n");
  EXPECT_NE(result.out.find("Error : "), std::string::npos) << result.out;
  EXPECT_EQ(result.err,
            "Unterminated quoted identifier at the end of 's.sql' (opened on line 1) runs as its last statement\n");
}

}  // namespace
}  // namespace tarnwick::e2e
