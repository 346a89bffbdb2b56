// The one reading of a statement: what the record says of a text, its
// literals as parameters, and its shape. Each table holds the cases the
// program's former readers disagreed on, with what psql and the server do.
#include "sqltext/literals.h"
#include "sqltext/statement_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sqltext {
namespace {

// The first word, behind blanks, comments and the marker; "a query" is a
// SELECT however the word ends, as psql prints the rows of every one.
TEST(StatementInfo, KeywordAndQuery) {
  const struct {
    const char* text;
    Keyword keyword;
    bool query;
  } cases[] = {
      {"select 1", Keyword::select, true},
      {"select\n1", Keyword::select, true},
      {"SELECT\t1", Keyword::select, true},
      {"select*from t", Keyword::select, true},
      {"/* a /* nested */ note */ select 1", Keyword::select, true},
      {"-- note\n  Select 1", Keyword::select, true},
      {" {UniCode}select 1", Keyword::select, true},
      {"selection", Keyword::other, false},
      {"(select 1)", Keyword::none, false},
      {"/* never closed select 1", Keyword::none, false},
      {"with x as (select 1) select * from x", Keyword::with, false},
      {"'select'", Keyword::none, false},
  };
  for (const auto& c : cases) {
    const StatementInfo info = classify(c.text);
    EXPECT_EQ(info.keyword, c.keyword) << c.text;
    EXPECT_EQ(info.query, c.query) << c.text;
  }
  EXPECT_EQ(classify(" {unicode}select 1").body, 10u);
  EXPECT_FALSE(classify("select '{unicode}'").unicode);
  EXPECT_FALSE(classify("{unicod").unicode);
}

// Where transaction blocks begin and end: what keeps a block whole on one
// session of a pool or one client. A savepoint's rollback leaves it open,
// and a BEGIN inside a body is no block.
TEST(StatementInfo, TransactionBlocks) {
  const struct {
    const char* text;
    bool opens, ends;
  } cases[] = {
      {"BEGIN", true, false},
      {"/* request 42 */ begin isolation level serializable", true, false},
      {"-- a note\n  start transaction", true, false},
      {"STaRT TRANSACTION", true, false},
      {"{unicode}Begin", true, false},
      {"starting", false, false},
      {"start", false, false},
      {"/* a /* nested */ note */ commit", false, true},
      {"{unicode}end", false, true},
      {"abort", false, true},
      {"rollback", false, true},
      {"rollback to savepoint s", false, false},
      {"rollback to\ns", false, false},
      {"ROLLBACK WORK TO s", false, false},
      {"rollback transaction to savepoint s", false, false},
      {"prepare transaction 'x'", false, true},
      {"prepare q as select 1", false, false},
      {"do $$ begin perform 1; end $$", false, false},
      {"create function f() returns int as $$ begin return 1; end $$ language plpgsql", false, false},
      {"/* never closed begin", false, false},
  };
  for (const auto& c : cases) {
    const StatementInfo info = classify(c.text);
    EXPECT_EQ(info.opens_block, c.opens) << c.text;
    EXPECT_EQ(info.ends_block, c.ends) << c.text;
  }
}

// Quotes as the server reads them: a backslash escapes a quote in E'' (and
// in '' with standard_conforming_strings off) but never in U&'', so a ";"
// after such a string ends the statement.
TEST(StatementInfo, QuotesUnderBothStringSettings) {
  const struct {
    const char* text;
    bool standard;
    bool several;
    bool complete;
  } cases[] = {
      {"SELECT U&'\\' UESCAPE '!' AS \"tricky\"; select 2", true, true, true},
      {"select E'it\\'s; fine'", true, false, true},
      {"select 'a\\'; select 2", true, true, true},
      {"select 'a\\'; select 2", false, false, false},
      {"select $f$ ; $f$", true, false, true},
      {"select $$ ; ", true, false, false},
      {"select 1 -- ; select 2", true, false, true},
      {"select 1; -- done", true, false, true},
      {"select \"a;b\" from t", true, false, true},
      {"select $1; select 2", true, true, true},
  };
  for (const auto& c : cases) {
    const StatementInfo info = classify(c.text, Dialect::postgres, c.standard);
    EXPECT_EQ(info.several, c.several) << c.text << " standard " << c.standard;
    EXPECT_EQ(info.complete, c.complete) << c.text << " standard " << c.standard;
  }
  // SQLite: [..] and `..` names, "#" comments; no dollar quotes or E''.
  EXPECT_FALSE(classify("select [a;b], `c;d` # x;y", Dialect::sqlite).several);
  EXPECT_TRUE(classify("select $a; select 2", Dialect::sqlite).several);
}

// What the pool, the clients and the client library act on.
TEST(StatementInfo, WhatRunnersActOn) {
  const struct {
    const char* text;
    bool copy, from_client, schema_change, may_stop, plain, literal, drops;
  } cases[] = {
      {"copy t from stdin", true, true, false, false, false, false, false},
      {"COPY (select 1) TO stdout", true, false, false, false, false, false, false},
      {"copy t from 'file' with (format csv)", true, false, false, false, false, false, false},
      {"create table t (x int)", false, false, true, false, false, false, false},
      {"/* v2 */ ALTER table t add y int", false, false, true, false, false, false, false},
      {"select x from t", false, false, false, true, true, false, false},
      {"  WITH RECURSIVE c(x) as (select 1 union all select x + 1 from c) select x from c", false, false, false,
       true, false, false, false},
      {"(select 1) union (select 2)", false, false, false, true, false, false, false},
      {"select updated_at, deleted from inserts", false, false, false, true, true, false, false},
      {"with d as (DELETE from t returning *) select * from d", false, false, false, false, false, false, false},
      {"select 'update me'", false, false, false, false, true, true, false},
      {"select 1", false, false, false, true, true, true, false},
      {" SELECT 1 ;  ", false, false, false, true, true, true, false},
      {"select -1.5, 'it''s', true, NULL as n, $1::int4 x;", false, false, false, true, true, true, false},
      {"select 1; select 2", false, false, false, true, false, false, false},
      {"select 1 from generate_series(1, 10)", false, false, false, true, false, false, false},
      {"select E'a', 1", false, false, false, true, true, false, false},
      {"select 'a' || 'b'", false, false, false, true, true, false, false},
      {"select now()", false, false, false, true, false, false, false},
      {"select 'x(y)' from t", false, false, false, true, true, false, false},
      {"select 'never closed", false, false, false, true, false, false, false},
      {"discard all", false, false, false, false, false, false, true},
      {"select 1; DEALLOCATE q", false, false, false, true, false, false, true},
      {"insert into t values (1)", false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const StatementInfo info = classify(c.text);
    EXPECT_EQ(info.copy, c.copy);
    EXPECT_EQ(info.copy_from_client, c.from_client);
    EXPECT_EQ(info.schema_change, c.schema_change);
    EXPECT_EQ(info.may_stop, c.may_stop);
    EXPECT_EQ(info.plain_read, c.plain);
    EXPECT_EQ(info.literal_row, c.literal);
    EXPECT_EQ(info.drops_prepared, c.drops);
  }
}

// Each literal becomes a parameter of the type PostgreSQL gives it; what
// would change meaning, or cannot be a parameter, stays in the text or
// leaves the statement as text.
TEST(Parametrize, LiteralsBecomeTypedParameters) {
  struct Case {
    const char* text;
    const char* shape;  // null: not prepared
    std::vector<uint32_t> types;
    std::vector<std::string> values;
  };
  const Case cases[] = {
      {"select v from t where id = 42;", "select v from t where id = $1;", {23}, {"42"}},
      {"INSERT into t values (1, 'it''s', 3000000000, 1.5, 2e3, .5)", "INSERT into t values ($1, $2, $3, $4, $5, $6)",
       {23, 0, 20, 1700, 1700, 1700}, {"1", "it's", "3000000000", "1.5", "2e3", ".5"}},
      {"select a, 2 from t order by 1, a limit 5", "select a, $1 from t order by 1, a limit 5", {23}, {"2"}},
      {"select distinct on (2) a, b from t where c > 7", "select distinct on (2) a, b from t where c > 7", {}, {}},
      {"select * from t9 where a = E'x\\n' and \"b'1\" = 'y' and c = $$3$$ -- 4 '\n/* 5 */",
       "select * from t9 where a = E'x\\n' and \"b'1\" = $1 and c = $$3$$ -- 4 '\n/* 5 */", {0}, {"y"}},
      {"select -2147483648, 9223372036854775808, 99999999999999999999", "select -2147483648, 9223372036854775808, $1",
       {1700}, {"99999999999999999999"}},
      {"with x as (select 'a') select * from x", "with x as (select $1) select * from x", {0}, {"a"}},
      {"-- c\n/* d */ SELECT 5", "-- c\n/* d */ SELECT $1", {23}, {"5"}},
      {"values (E'it\\'s', U&'\\0041', date'2024-01-01')", "values (E'it\\'s', U&'\\0041', date'2024-01-01')", {}, {}},
      {"select 1; -- done", "select $1; -- done", {23}, {"1"}},
      {"create table t (a int default 1)", nullptr, {}, {}},
      {"(select 1)", nullptr, {}, {}},
      {"select a from t", "select a from t", {}, {}},  // repeats as it stands: prepared all the same
      {"select 1 from t where a = $1", nullptr, {}, {}},
      {"select 'open", nullptr, {}, {}},
      {"select 1 /* open", nullptr, {}, {}},
      {"select 1; select 2", nullptr, {}, {}},
      {"select 'a'\n  'b'", nullptr, {}, {}},
      {"select 0x1F", nullptr, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Parameters out;
    const bool prepared = parametrize(c.text, true, &out);
    ASSERT_EQ(prepared, c.shape != nullptr);
    if (!prepared) continue;
    EXPECT_EQ(out.text, c.shape);
    EXPECT_EQ(out.types, c.types);
    ASSERT_EQ(out.starts.size(), c.values.size());
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(out.values.c_str() + out.starts[i], c.values[i]);
  }
  // Without standard strings a backslash in '...' escapes: strings stay text.
  Parameters out;
  EXPECT_FALSE(parametrize("select 1 from t where a = 'x'", false, &out));
}

// Statement shapes: the literals a program varies become $n, and nothing
// else of the statement changes its shape.
TEST(Shape, LiteralsBecomeNumberedPlaceholdersAndTheRestStays) {
  const struct {
    const char* text;
    const char* shape;
  } cases[] = {
      {"select v from kv where id = 42;", "select v from kv where id = $1"},
      {"insert into t values (1, 'it''s', -2.5e3, E'a\\'b', $q$x'y$q$)", "insert into t values ($1, $2, $3, $4, $5)"},
      {"SELECT  *\n\tFROM t -- note 7\nWHERE a = /* 8 /* nested 9 */ */ 3", "SELECT * FROM t WHERE a = $1"},
      {"update t1 set c2 = $1 where \"col 3\" = 0x1F", "update t1 set c2 = $1 where \"col 3\" = $1"},
      {"select f( 1 , 2 ) , .5", "select f($1, $2), $3"},
      {"select 'never closed", "select $1"},
      {"update b set x = x + -3 where y = a -1", "update b set x = x + $1 where y = a -$2"},
      {"select B'0101', U&'\\0041', t.5 from t where h = '127.0.0.1' and v = 1.2.3", "select B$1, U&$2, t.$3 from t where h = $4 and v = $5.$6"},
  };
  for (const auto& c : cases) EXPECT_EQ(shape(c.text), c.shape) << c.text;
  std::string text = "insert into t values ";
  for (int i = 0; i < 100000; ++i) text += "(x),";
  const std::string cut = shape(text);
  EXPECT_LE(cut.size(), kMaxShapeLength + 3);
  EXPECT_EQ(cut.substr(cut.size() - 3), "...");
}

}  // namespace
}  // namespace sqltext

namespace sqltext {
namespace {

// Every way a read-only session's default was lifted in practice, and
// what only reads it.
TEST(StatementInfo, WhatLiftsReadOnly) {
  const struct {
    const char* text;
    bool lifts;
  } cases[] = {
      {"set default_transaction_read_only = off", true},
      {"SET SESSION default_transaction_read_only TO false", true},
      {"reset default_transaction_read_only", true},
      {"begin read write", true},
      {"START TRANSACTION ISOLATION LEVEL SERIALIZABLE, READ\nWRITE", true},
      {"set transaction read write", true},
      {"set session characteristics as transaction read write", true},
      {"select set_config('default_transaction_read_only', 'off', false)", true},
      {"select set_config('transaction_read_only', 'off', true)", true},
      {"do $$ begin perform set_config('default_transaction_read_only', 'off', false); end $$", true},
      {"do $f$ begin execute 'set transaction read write'; end $f$", true},
      {"select 1; set default_transaction_read_only = off", true},
      {"SET default_transaction_read_only = off;\nSET client_encoding = 'UTF8';", true},
      {"show default_transaction_read_only", false},
      {"select current_setting('transaction_read_only')", false},
      {"begin read only", false},
      {"select 1 -- read write", false},
      {"insert into log values ('write')", false},
      {"select written, read_count from t", false},
  };
  for (const auto& c : cases) EXPECT_EQ(lifts_read_only(c.text), c.lifts) << c.text;
}

}  // namespace
}  // namespace sqltext
