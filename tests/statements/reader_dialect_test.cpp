// The reader with the lexical syntax of each engine: where statements end,
// what is kept verbatim, the copy data that travels with a COPY, and the
// notes on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statements/statement_parameters.h"
#include "statements/statement_reader.h"
#include "statements/statement_text.h"
#include "support/file/file.h"
#include "tests/statements/read_all.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

using Texts = std::vector<std::string>;

std::vector<std::string> copy_data;  // per statement; "-" when it had none

// Each case runs byte by byte (0) and in blocks, small ones included, so
// that dollar tags, escapes and copy data that meet a block's edge are
// covered.
class ReaderDialectTest : public morvane::testing::TempDirTest,
                          public ::testing::WithParamInterface<uint32_t> {
 protected:
  // The statements cut from `script` (the final, maybe blank, one
  // included); what went to standard error is left in err_.
  Texts read(Dialect dialect, const std::string& script, bool backslash_quotes = false) {
    write_file("s.sql", script);
    morvane::iFile source;
    EXPECT_TRUE(source.open(path("s.sql").c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0));
    StatementBuffer buffer;
    ReaderOptions options;
    options.dialect = dialect;
    options.source_name = "s.sql";
    options.block_size = GetParam();
    testing::ReadAll all;
    ::testing::internal::CaptureStderr();
    {
      StatementReader reader(&source, buffer, options);
      reader.set_backslash_quotes(backslash_quotes);
      all = testing::read_all(reader);
    }
    err_ = ::testing::internal::GetCapturedStderr() + all.notes;
    EXPECT_EQ(buffer.length, 0u);
    release(buffer);
    copy_data = all.copy_data;
    return all.texts;
  }
  Texts pg(const std::string& script) { return read(Dialect::postgres, script); }
  Texts lite(const std::string& script) { return read(Dialect::sqlite, script); }

  std::string err_;
};

TEST(DialectOfHost, SqlitePrefixOrPostgres) {
  EXPECT_EQ(dialect_of_host("sqlite::memory:"), Dialect::sqlite);
  EXPECT_EQ(dialect_of_host("sqlite:/tmp/x.db"), Dialect::sqlite);
  EXPECT_EQ(dialect_of_host("127.0.0.1"), Dialect::postgres);
  EXPECT_EQ(dialect_of_host("postgresql://u@h/db"), Dialect::postgres);
}

TEST_P(ReaderDialectTest, DollarQuotesKeepTheirBodyVerbatim) {
  std::string body = "$$\nbegin\n  -- note; here\n  return 1; /* x */\nend;\n$$";
  EXPECT_EQ(pg("create function f() returns int as " + body + " language plpgsql;select 2;"),
            (Texts{"create function f() returns int as " + body + " language plpgsql;", "select 2;", ""}));
  // A tagged quote ends only at its own tag; other tags and "$" inside are text.
  EXPECT_EQ(pg("select $a$ x; $b$ y; $ z $$ $a$;"), (Texts{"select $a$ x; $b$ y; $ z $$ $a$;", ""}));
  // "$1" is a parameter and "a$b$" part of a name: no quote opens.
  EXPECT_EQ(pg("prepare p as select $1;x$y$;z;"), (Texts{"prepare p as select $1;", "x$y$;", "z;", ""}));
  EXPECT_EQ(err_, "");
}

TEST_P(ReaderDialectTest, EscapedStringsIdentifiersAndUnicodeStrings) {
  EXPECT_EQ(pg("select E'it\\'s; \\\\', e'\\';x';"), (Texts{"select E'it\\'s; \\\\', e'\\';x';", ""}));
  // Only a lone E opens an escaped string: in "type'..'" the backslash is text.
  EXPECT_EQ(pg("select type'a\\';b;"), (Texts{"select type'a\\';", "b;", ""}));
  EXPECT_EQ(pg("select \"a;b\"\"c\" from t;"), (Texts{"select \"a;b\"\"c\" from t;", ""}));
  EXPECT_EQ(pg("select U&'d\\0061;t';"), (Texts{"select U&'d\\0061;t';", ""}));
  // With standard_conforming_strings off a backslash escapes in '...', but
  // never in U&'...', as the server reads them.
  const std::string tricky = "SELECT U&'\\' UESCAPE '!' AS \"tricky\";";
  for (bool off : {false, true}) {
    EXPECT_EQ(read(Dialect::postgres, tricky + "select 2;", off), (Texts{tricky, "select 2;", ""})) << off;
  }
  EXPECT_EQ(read(Dialect::postgres, "select 'a\\';b';c;", true), (Texts{"select 'a\\';b';", "c;", ""}));
}

TEST_P(ReaderDialectTest, AtomicBodiesOfFunctionsAndProcedures) {
  std::string atomic =
      "create or replace function f(x int) returns int language sql begin atomic "
      "select case when x > 0 then 1 else 2 end; select x + 1; end;";
  EXPECT_EQ(pg(atomic + "select 1;"), (Texts{atomic, "select 1;", ""}));
  std::string procedure = "CREATE PROCEDURE p() BEGIN ATOMIC ;; insert into t values (1); END;";
  EXPECT_EQ(pg(procedure), (Texts{procedure, ""}));
  // Only after CREATE [OR REPLACE] FUNCTION or PROCEDURE does BEGIN open a body.
  EXPECT_EQ(pg("begin;select 1;end;"), (Texts{"begin;", "select 1;", "end;", ""}));
  EXPECT_EQ(pg("create table begin_t (a int);x;"), (Texts{"create table begin_t (a int);", "x;", ""}));
}

TEST_P(ReaderDialectTest, PostgresCommentsNestAndHashIsAnOperator) {
  EXPECT_EQ(pg("a/* 1 /* 2; */ 3; */b;"), (Texts{"ab;", ""}));
  EXPECT_EQ(pg("update t set f = f # 4\nwhere id = 1;"), (Texts{"update t set f = f # 4 where id = 1;", ""}));
  EXPECT_EQ(pg("select j #> '{a}', j #- '{b}';"), (Texts{"select j #> '{a}', j #- '{b}';", ""}));
  // Before a statement nothing can be an operator: a comment line, as ever.
  EXPECT_EQ(pg("# note; here\n  # more\nselect 1;"), (Texts{"  select 1;", ""}));
}

TEST_P(ReaderDialectTest, SqliteIdentifiersAndHashComments) {
  EXPECT_EQ(lite("select \"a;b\", [c;d], `e;f``g` from t;# note; here\nselect 1;"),
            (Texts{"select \"a;b\", [c;d], `e;f``g` from t;", "select 1;", ""}));
  // Outside these dialects the old rules stand: "[" and '"' are plain text.
  EXPECT_EQ(read(Dialect::plain, "select [a;b];"), (Texts{"select [a;", "b];", ""}));
}

TEST_P(ReaderDialectTest, SqliteTriggerBodiesEndAtTheirEnd) {
  std::string trigger =
      "create trigger tr after insert on t begin insert into log values (1); "
      "update c set n = n + 1; end;";
  EXPECT_EQ(lite(trigger + "select 1;"), (Texts{trigger, "select 1;", ""}));
  EXPECT_EQ(lite("{unicode}" + trigger), (Texts{"{unicode}" + trigger, ""}));
  // SQLite keeps a trigger's text: its line breaks and comments stay.
  std::string kept = "create temp trigger t2 after delete on t\nbegin -- why; because\n  delete from u; /* x; */\nend;";
  EXPECT_EQ(lite(kept), (Texts{kept, ""}));
  // A create that is no trigger ends at its first ";".
  EXPECT_EQ(lite("create table t (a);create table u (b);"), (Texts{"create table t (a);", "create table u (b);", ""}));
}

TEST_P(ReaderDialectTest, ClientCommandsAreSkippedWithANote) {
  EXPECT_EQ(pg("\\set x 1\nselect 1;\n  \\connect db\nselect '\n\\x';"),
            (Texts{"select 1;", "   select '\n\\x';", ""}));
  EXPECT_EQ(err_,
            "Skipping client command in 's.sql' line 1: \\set x 1\n"
            "Skipping client command in 's.sql' line 3: \\connect db\n");
  // Within a statement a backslash line is the statement's text.
  EXPECT_EQ(pg("select 1\n\\gset\n;"), (Texts{"select 1 \\gset ;", ""}));
  EXPECT_EQ(lite(".mode csv\r\nselect 1.5;"), (Texts{"select 1.5;", ""}));
  EXPECT_EQ(err_, "Skipping client command in 's.sql' line 1: .mode csv\n");
  // A dot line is SQL text on PostgreSQL hosts; a backslash line is a
  // command on SQLite too (psql's \d family is described there as well).
  EXPECT_EQ(pg(".x;"), (Texts{".x;", ""}));
  EXPECT_EQ(lite("\\x;\nselect 1;"), (Texts{"select 1;", ""}));
}

TEST_P(ReaderDialectTest, CopyDataIsTheLinesAfterItsStatementsLine) {
  EXPECT_EQ(pg("copy t (a) from stdin;\n1\t'x;\n\\N\n\\.\nselect 1;"),
            (Texts{"copy t (a) from stdin;", "select 1;", ""}));
  EXPECT_EQ(copy_data, (std::vector<std::string>{"1\t'x;\n\\N\n", "-", "-"}));
  EXPECT_EQ(pg("COPY t FROM STDIN WITH (format csv);\r\na,b\r\n\\.\r\n"), (Texts{"COPY t FROM STDIN WITH (format csv);", ""}));
  EXPECT_EQ(copy_data[0], "a,b\r\n");
  // No data for copies to or from elsewhere, or "from stdin" in a quote.
  EXPECT_EQ(pg("copy t to stdout;copy t from '/x/stdin';copy t from 'from stdin';"),
            (Texts{"copy t to stdout;", "copy t from '/x/stdin';", "copy t from 'from stdin';", ""}));
  EXPECT_EQ(copy_data, (std::vector<std::string>{"-", "-", "-", "-"}));
  // The rest of the statement's line runs after the data, as in psql.
  EXPECT_EQ(pg("copy t from stdin; select 2;\nx\n\\.\nselect 3;"),
            (Texts{"copy t from stdin;", " select 2;", " select 3;", ""}));
  EXPECT_EQ(copy_data[0], "x\n");
}

TEST_P(ReaderDialectTest, WhatIsLeftOpenAtTheEndRunsAndIsReported) {
  EXPECT_EQ(pg("select 1;\nselect $$ open;\nx"), (Texts{"select 1;", " select $$ open;\nx"}));
  EXPECT_EQ(err_, "Unterminated dollar quote at the end of 's.sql' (opened on line 2) runs as its last statement\n");
  EXPECT_EQ(lite("select [a;"), (Texts{"select [a;"}));
  EXPECT_EQ(err_, "Unterminated quoted identifier at the end of 's.sql' (opened on line 1) runs as its last statement\n");
  EXPECT_EQ(pg("copy t from stdin;\n1\n2"), (Texts{"copy t from stdin;", ""}));
  EXPECT_EQ(copy_data[0], "1\n2");
  EXPECT_EQ(err_, "The copy data in 's.sql' (from line 2) has no end line \\.\n");
  // A plain string left open is handed on without a note, as always.
  EXPECT_EQ(pg("select 'open"), (Texts{"select 'open"}));
  EXPECT_EQ(err_, "");
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, ReaderDialectTest,
                         ::testing::Values(0u, 1u, 2u, 5u, kReadBlockSize));

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

// A logged execute's values go where its $n stand as parameters, and
// nowhere a $n is text: strings, names, comments, dollar bodies, a$1.
TEST(BindParameters, ValuesReplaceOnlyTheParameters) {
  const std::vector<std::string> values = {"'42'", "NULL"};
  const struct {
    const char* text;
    const char* bound;
  } cases[] = {
      {"select $1, $2", "select '42', NULL"},
      {"select '$1', E'\\'$2', \"$1\", a$1 -- $2\n/* $1 */ $$ $2 $$, $1", "select '$1', E'\\'$2', \"$1\", a$1 -- $2\n/* $1 */ $$ $2 $$, '42'"},
      {"select $0, $1;", "select $0, '42';"},
  };
  std::string out;
  for (const auto& c : cases) {
    EXPECT_EQ(bind_parameters(c.text, values, &out), 0u) << c.text;
    EXPECT_EQ(out, c.bound) << c.text;
  }
  EXPECT_EQ(bind_parameters("select $3", values, &out), 3u) << "a parameter without a value";
}

}  // namespace
}  // namespace tarnwick
