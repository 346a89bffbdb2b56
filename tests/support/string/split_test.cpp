#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/string/wstring.h"

namespace morvane {
namespace {

std::vector<std::string> items(const char* text, const char* separators, bool trim) {
  std::vector<std::string> result;
  for (const WString& item : split(WString(text, codepage_latin1), separators, trim)) {
    result.emplace_back(item.narrow(0));
  }
  return result;
}

using List = std::vector<std::string>;

TEST(Split, EmptyItemRules) {
  EXPECT_EQ(items("a,,b", ",;", false), (List{"a", "", "b"}));
  EXPECT_EQ(items(",a", ",;", false), (List{"", "a"}));
  EXPECT_EQ(items("a,", ",;", false), (List{"a"}));
  EXPECT_EQ(items("a;b,c", ",;", false), (List{"a", "b", "c"}));
  EXPECT_EQ(items("", ",;", false), List{});
  EXPECT_EQ(items(",", ",;", false), (List{""}));
  EXPECT_EQ(items(",,", ",;", false), (List{"", ""}));
  EXPECT_EQ(items(" a , b ", ",", false), (List{" a ", " b "}));
}

TEST(Split, EmptyItemsAreEmptyStrings) {
  std::vector<WString> parts = split(WString("a,,b", codepage_latin1), ",", false);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_TRUE(parts[1].empty());
  EXPECT_EQ(parts[1].capacity(), 0u);
}

TEST(Split, TrimmingWithSeparators) {
  EXPECT_EQ(items(" a ,\tb\r\n, \n ", ",", true), (List{"a", "b", ""}));
  EXPECT_EQ(items("x y , z", ",", true), (List{"x y", "z"}));
}

TEST(Split, NoSeparatorsGivesTheWholeText) {
  EXPECT_EQ(items("a,b", "", false), (List{"a,b"}));
  EXPECT_EQ(items("a,b", nullptr, false), (List{"a,b"}));
  // Only blanks and tabs are trimmed here; line breaks stay.
  EXPECT_EQ(items(" \ta b\t ", "", true), (List{"a b"}));
  EXPECT_EQ(items("\r\na\n", "", true), (List{"\r\na\n"}));
  EXPECT_EQ(items("", "", false), (List{""}));
}

TEST(Split, OnlyUnitsBelow256MatchSeparatorBytes) {
  // U+012C has low byte 0x2C (','), but is not a separator.
  WString text(u"a\u012Cb,c");
  std::vector<WString> parts = split(text, ",", false);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts[0].view(), u"a\u012Cb");
  EXPECT_EQ(parts[1].view(), u"c");
  // Separator bytes above 0x7F match the unit of the same value.
  EXPECT_EQ(items("a\xE9" "b", "\xE9", false), (List{"a", "b"}));
}

}  // namespace
}  // namespace morvane
