#include "support/string/owned_text.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/string/wstring.h"

namespace morvane {
namespace {

TEST(OwnedText, CopiesAndFrees) {
  char source[] = "name";
  OwnedText text(source);
  EXPECT_NE(text.get(), source);
  source[0] = 'N';
  EXPECT_STREQ(text.get(), "name");
  EXPECT_EQ(OwnedText(nullptr).get(), nullptr);
  EXPECT_STREQ(OwnedText().c_str(), "");
}

TEST(OwnedText, AssignmentRules) {
  OwnedText text("abc");
  const char* held = text.get();
  text.assign(held);
  EXPECT_EQ(text.get(), held) << "assigning the held text changes nothing";
  text.assign(held + 1);  // a piece of the held text
  EXPECT_STREQ(text.get(), "bc");
  text.assign(nullptr);
  EXPECT_EQ(text.get(), nullptr);
  text.assign(kEmptyText);
  EXPECT_EQ(text.get(), nullptr) << "the static empty text over none stays none";
  text.assign("");
  ASSERT_NE(text.get(), nullptr);
  EXPECT_STREQ(text.get(), "");
}

TEST(OwnedText, CopiesAreIndependent) {
  OwnedText a("one");
  OwnedText b(a);
  EXPECT_NE(a.get(), b.get());
  b = OwnedText("two");
  EXPECT_STREQ(a.get(), "one");
  EXPECT_STREQ(b.get(), "two");
  a = a;
  EXPECT_STREQ(a.get(), "one");
}

TEST(TextBuffer, StartsEmptyWithRoomForSizePlusNul) {
  TextBuffer buffer(16);
  EXPECT_EQ(buffer.size(), 16u);
  EXPECT_STREQ(buffer.data(), "");
  std::memset(buffer.data(), 'x', 16);
  buffer.data()[16] = '\0';
  EXPECT_EQ(std::strlen(buffer.data()), 16u);
  TextBuffer none(0);
  EXPECT_STREQ(none.data(), "");
}

}  // namespace
}  // namespace morvane
