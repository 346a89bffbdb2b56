// The statement-text helpers: the {unicode} marker and Latin-1 <-> UTF-8.
#include "ql_client/core/text.h"

#include <gtest/gtest.h>

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
