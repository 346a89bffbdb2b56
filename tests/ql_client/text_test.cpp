// The statement-text helpers: the {unicode} marker, Latin-1 <-> UTF-8, and
// the literals a prepared statement takes out as parameters.
#include "ql_client/core/text.h"
#include "ql_client/postgres/pg_plain_reads.h"
#include "ql_client/postgres/pg_prepared.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql {
namespace {

TEST(UnicodeMarker, OnlyALeadingMarkerInAnyCase) {
  EXPECT_TRUE(strip_unicode_marker("{UniCode}select 1").utf8);
  EXPECT_EQ(strip_unicode_marker("{UniCode}select 1").text, "select 1");
  EXPECT_EQ(strip_unicode_marker(" \n{unicode} x").text, " x");
  EXPECT_FALSE(strip_unicode_marker("select '{unicode}'").utf8);
  EXPECT_FALSE(strip_unicode_marker("{unicod").utf8);
  EXPECT_EQ(strip_unicode_marker("{unicode").text, "{unicode");
}

TEST(MayStop, ReadsThatNameNoChangeOfData) {
  EXPECT_TRUE(may_stop("select x from t"));
  EXPECT_TRUE(may_stop("  WITH RECURSIVE c(x) as (select 1 union all select x + 1 from c) select x from c"));
  EXPECT_TRUE(may_stop("(select 1) union (select 2)"));
  EXPECT_TRUE(may_stop("values (1), (2)"));
  EXPECT_TRUE(may_stop("select updated_at, deleted from inserts"));  // words, not parts of words
  EXPECT_FALSE(may_stop("insert into t select * from u returning *"));
  EXPECT_FALSE(may_stop("with d as (DELETE from t returning *) select * from d"));
  EXPECT_FALSE(may_stop("select * from t; update t set x = 1"));
  EXPECT_FALSE(may_stop("select 'update me'"));  // a literal counts: read to the end, never lose a change
  EXPECT_FALSE(may_stop("create table t (x int)"));
  EXPECT_FALSE(may_stop(""));
}

TEST(FirstKeyword, AfterBlanksAndComments) {
  struct {
    const char* text;
    const char* word;
  } cases[] = {{"  COMMIT;", "commit"},          {"-- note\n\tEnd", "end"},
               {"/* a /* b */ c */rollback", "rollback"}, {"/* never closed commit", ""},
               {"-- only a comment", ""},        {"(select 1)", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(first_keyword(c.text), c.word) << c.text;
    // The test in place agrees with the copy, comments or not.
    if (*c.word != '\0') {
      EXPECT_TRUE(first_keyword_is_any(c.text, {"begin", c.word})) << c.text;
    }
  }
  EXPECT_FALSE(first_keyword_is_any("Beginning;", {"begin"}));
  EXPECT_FALSE(first_keyword_is_any(" \n", {"begin"}));
  EXPECT_TRUE(first_keyword_is_any("/* request 7 */ BEGIN", {"begin", "start"}));
}

// What a pipeline may read cheaply: plain reads share a sync point, and a
// select of literals alone (one row, as long as its text) is read whole.
TEST(PipelineReads, PlainReadsAndLiteralRows) {
  struct {
    const char* text;
    bool plain;
    bool literal;
  } cases[] = {
      {"select 1", true, true},
      {" SELECT 1 ;  ", true, true},
      {"select -1.5, 'it''s', true, NULL as n, $1::int4 x;", true, true},
      {"select 1; select 2", false, false},
      {"select 1 from generate_series(1, 10)", false, false},
      {"select v from t where id = 4", true, false},
      {"select 1 union all select 2", true, false},
      {"select E'a', 1", true, false},
      {"select 'a' || 'b'", true, false},
      {"select now()", false, false},
      {"select 'never closed", true, false},
      {"select", false, false},
      {"insert into t values (1)", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(plain_read(c.text), c.plain) << c.text;
    EXPECT_EQ(literal_row(c.text), c.literal) << c.text;
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
    PgParameters out;
    const bool prepared = pg_parametrize(c.text, true, &out);
    ASSERT_EQ(prepared, c.shape != nullptr);
    if (!prepared) continue;
    EXPECT_EQ(out.text, c.shape);
    EXPECT_EQ(out.types, c.types);
    ASSERT_EQ(out.starts.size(), c.values.size());
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(out.values.c_str() + out.starts[i], c.values[i]);
  }
  // Without standard strings a backslash in '...' escapes: strings stay text.
  PgParameters out;
  EXPECT_FALSE(pg_parametrize("select 1 from t where a = 'x'", false, &out));
}

TEST(Latin1Utf8, RoundTripAndReplacement) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_TRUE(valid_utf8(latin1_to_utf8(all)));
  EXPECT_EQ(utf8_to_latin1(latin1_to_utf8(all)), all);
  EXPECT_EQ(utf8_to_latin1("\xE2\x82\xAC" "a"), "?a") << "the euro sign has no Latin-1 form";
  EXPECT_EQ(utf8_to_latin1("\xC3"), "?") << "cut sequence";
  EXPECT_EQ(utf8_to_latin1("\xFF\xC3\xA9"), "?\xE9");
}

TEST(Latin1Utf8, ValidUtf8RejectsMalformedForms) {
  EXPECT_TRUE(valid_utf8("caf\xC3\xA9 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(valid_utf8("\xC0\xAF")) << "overlong";
  EXPECT_FALSE(valid_utf8("\xED\xA0\x80")) << "surrogate";
  EXPECT_FALSE(valid_utf8("\xF4\x90\x80\x80")) << "above U+10FFFF";
  EXPECT_FALSE(valid_utf8("\xE2\x82")) << "cut";
  EXPECT_FALSE(valid_utf8("\x80"));
}

}  // namespace
}  // namespace ql
