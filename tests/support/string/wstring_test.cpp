#include "support/string/wstring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace morvane {
namespace {

WString latin1(const char* text) { return WString(text, codepage_latin1); }

TEST(WStringConstruction, EmptyInputsGiveTheNullBody) {
  WString none;
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.length(), 0u);
  EXPECT_EQ(none.capacity(), 0u);
  EXPECT_TRUE(latin1("").empty());
  EXPECT_TRUE(WString(nullptr, codepage_utf8).empty());
  EXPECT_TRUE(WString(u"abc", 0).empty());
  EXPECT_TRUE(WString(static_cast<const char16_t*>(nullptr)).empty());
  EXPECT_TRUE(WString("", codepage_invalid).empty());  // empty never throws
  EXPECT_STREQ(none.narrow(0), "");
  EXPECT_STREQ(none.narrow(1), "");
  EXPECT_EQ(none.units()[0], 0);
}

TEST(WStringConstruction, DecodesByCodePageWithExactCapacity) {
  WString text("\xC3\xA9t\xC3\xA9", codepage_utf8);
  EXPECT_EQ(text.view(), u"\u00E9t\u00E9");
  EXPECT_EQ(text.capacity(), 4u);
  WString fallback("\xE9t\xE9", codepage_utf8);
  EXPECT_EQ(fallback.view(), u"\u00E9t\u00E9");
  EXPECT_EQ(fallback.capacity(), 4u);
  WString wide(u"abc");
  EXPECT_EQ(wide.length(), 3u);
  EXPECT_EQ(wide.capacity(), 4u);
  EXPECT_EQ(wide.units()[3], 0);
  EXPECT_THROW(WString("x", codepage_invalid), illegal_codepage);
  EXPECT_THROW(WString("x", static_cast<CodePage>(9)), illegal_codepage);
}

TEST(WStringNarrow, FormsAreConvertedOnceAndKept) {
  WString text(u"\u00E9");
  const char* form0 = text.narrow(0);
  const char* form1 = text.narrow(1);
  EXPECT_STREQ(form0, "\xE9");
  EXPECT_STREQ(form1, "\xC3\xA9");
  EXPECT_EQ(text.narrow(0), form0);
  EXPECT_EQ(text.narrow(1), form1);
  WString copy(text);
  EXPECT_EQ(copy.narrow(1), form1) << "copies share the body and its forms";
  EXPECT_THROW(text.narrow(2), illegal_codepage);
  EXPECT_THROW(WString().narrow(-1), illegal_codepage);
}

TEST(WStringSharing, CopyAndAssignShareTheBody) {
  WString a = latin1("hello");
  WString b(a);
  EXPECT_TRUE(b.shares_body_with(a));
  WString c;
  c = a;
  EXPECT_TRUE(c.shares_body_with(a));
  c = c;  // self-assignment keeps the body alive
  EXPECT_EQ(c, a);
  c = WString();
  EXPECT_TRUE(c.empty());
  EXPECT_EQ(c.length(), 0u);
  EXPECT_STREQ(c.narrow(0), "");
  EXPECT_STREQ(c.narrow(1), "");
  EXPECT_STREQ(a.narrow(0), "hello");
  WString moved(std::move(b));
  EXPECT_TRUE(moved.shares_body_with(a));
  EXPECT_TRUE(b.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(WStringAppend, GrowthCapacities) {
  WString a(u"abc");
  EXPECT_EQ(a.capacity(), 4u);
  a.append(WString(u"de"));
  EXPECT_EQ(a.view(), u"abcde");
  EXPECT_EQ(a.capacity(), 9u);
  a.append(WString(u"fgh"));  // 8 units fit capacity 9 in place
  EXPECT_EQ(a.capacity(), 9u);
  EXPECT_EQ(a.length(), 8u);
  a.append(WString(u"i"));
  EXPECT_EQ(a.view(), u"abcdefghi");
  EXPECT_EQ(a.capacity(), 17u);
  WString big(std::u16string(20, u'x').c_str());
  big.append(WString(u"y"));
  EXPECT_EQ(big.capacity(), 33u);
}

TEST(WStringAppend, EmptyOperands) {
  WString a = latin1("abc");
  const char* form = a.narrow(0);
  a.append(WString());
  EXPECT_EQ(a.narrow(0), form);
  WString b;
  b.append(a);
  EXPECT_TRUE(b.shares_body_with(a)) << "appending to empty shares, copies nothing";
}

TEST(WStringAppend, SharedBodyIsCopiedExactlyAndOthersKeepTheirText) {
  WString a = latin1("abc");
  WString b(a);
  const char* b_form0 = b.narrow(0);
  const char* b_form1 = b.narrow(1);
  a.append(latin1("de"));
  EXPECT_EQ(a.capacity(), 6u) << "an append to a shared body is sized exactly";
  EXPECT_FALSE(a.shares_body_with(b));
  EXPECT_STREQ(a.narrow(0), "abcde");
  EXPECT_EQ(b.view(), u"abc");
  EXPECT_EQ(b.narrow(0), b_form0);
  EXPECT_EQ(b.narrow(1), b_form1);
  EXPECT_STREQ(b_form0, "abc");
  EXPECT_STREQ(b_form1, "abc");
}

TEST(WStringAppend, InPlaceAppendDropsStaleForms) {
  WString a(u"\u00E9");
  a.append(WString(u"x"));  // grows to capacity 9, sole holder
  EXPECT_STREQ(a.narrow(1), "\xC3\xA9x");
  a.append(WString(u"\u20AC"));  // in place
  EXPECT_EQ(a.capacity(), 9u);
  EXPECT_STREQ(a.narrow(1), "\xC3\xA9x\xE2\x82\xAC");
  EXPECT_STREQ(a.narrow(0), "\xE9x\xAC");
}

TEST(WStringAppend, AppendingAValueToItself) {
  WString a(u"ab");
  a.append(a);  // grows
  EXPECT_EQ(a.view(), u"abab");
  a.append(a);  // in place: 8 units in capacity 9
  EXPECT_EQ(a.view(), u"abababab");
  WString shared(a);
  a.append(a);  // shared: copies
  EXPECT_EQ(a.view(), u"abababababababab");
  EXPECT_EQ(shared.view(), u"abababab");
}

TEST(WStringConcatenation, OperandsAreUnchanged) {
  WString a = latin1("foo");
  WString b = latin1("bar");
  WString c = a + b;
  EXPECT_STREQ(c.narrow(0), "foobar");
  EXPECT_STREQ(a.narrow(0), "foo");
  EXPECT_STREQ(b.narrow(0), "bar");
  EXPECT_EQ(c.capacity(), 7u);
  EXPECT_TRUE((WString() + a).shares_body_with(a));
  EXPECT_TRUE((a + WString()).shares_body_with(a));
}

TEST(WStringEquality, ComparesUnits) {
  EXPECT_EQ(latin1("abc"), WString(u"abc"));
  EXPECT_FALSE(latin1("abc") == latin1("abd"));
  EXPECT_FALSE(latin1("ab") == latin1("abc"));
  EXPECT_EQ(WString(), latin1(""));
}

}  // namespace
}  // namespace morvane
