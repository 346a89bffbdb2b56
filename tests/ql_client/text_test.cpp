// The statement-text helpers: the {unicode} marker and Latin-1 <-> UTF-8.
#include "ql_client/core/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ql {
namespace {

TEST(UnicodeMarker, OnlyALeadingMarkerInAnyCase) {
  EXPECT_TRUE(read_statement("{UniCode}select 1").utf8);
  EXPECT_EQ(read_statement("{UniCode}select 1").text, "select 1");
  EXPECT_EQ(read_statement(" \n{unicode} x").text, " x");
  EXPECT_FALSE(read_statement("select '{unicode}'").utf8);
  EXPECT_FALSE(read_statement("{unicod").utf8);
  EXPECT_EQ(read_statement("{unicode").text, "{unicode");
  EXPECT_TRUE(read_statement(" {unicode}select 1").info.query);
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
