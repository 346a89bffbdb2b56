// The console text pair for real: between the locale's character set and
// the engine code page, with "?" for what the target cannot hold.
#include "runtime/console_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "support/platform/platform.h"

namespace tarnwick {
namespace {

TEST(ConvertCharset, UnrepresentableAndInvalidBytesBecomeQuestionMarks) {
  std::string out;
  ASSERT_TRUE(morvane::platform::convert_charset("UTF-8", "ISO-8859-1", "caf\xC3\xA9 \xE2\x82\xAC!", &out));
  EXPECT_EQ(out, "caf\xE9 ?!");
  ASSERT_TRUE(morvane::platform::convert_charset("UTF-8", "ISO-8859-1", "a\xFF" "b\xC3", &out));
  EXPECT_EQ(out, "a?b?");  // a byte that is no UTF-8, and a sequence cut short
  ASSERT_TRUE(morvane::platform::convert_charset("ISO-8859-1", "UTF-8", "caf\xE9", &out));
  EXPECT_EQ(out, "caf\xC3\xA9");
  std::string kept = "unchanged";
  EXPECT_FALSE(morvane::platform::convert_charset("NO-SUCH-SET", "UTF-8", "x", &kept));
  EXPECT_EQ(kept, "unchanged");
}

class ConsoleTextTest : public ::testing::Test {
 protected:
  void TearDown() override {
    set_console_conversions(nullptr, nullptr);
    unsetenv("LC_ALL");
    std::setlocale(LC_CTYPE, "C");
  }
  void use_locale(const char* name) { setenv("LC_ALL", name, 1); }
};

TEST_F(ConsoleTextTest, AUtf8TerminalAndALatin1EngineConvertBothWays) {
  use_locale("C.UTF-8");
  set_up_console_text(morvane::codepage_latin1);
  std::string typed = "caf\xC3\xA9 \xE2\x82\xAC";
  text_from_console(typed);
  EXPECT_EQ(typed, "caf\xE9 ?");
  std::string shown = "caf\xE9";
  text_to_console(shown);
  EXPECT_EQ(shown, "caf\xC3\xA9");
  EXPECT_EQ(console_width(shown.data(), shown.size()), 4);

  char message[8] = "\xE9\xE9\xE9\xE9\xE9";  // grows to 10 bytes: cut to fit
  text_to_console(message, sizeof message);
  EXPECT_STREQ(message, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3");
}

TEST_F(ConsoleTextTest, SameCharsetOrTheCLocaleLeaveTextAlone) {
  use_locale("C.UTF-8");
  set_up_console_text(morvane::codepage_utf8);
  std::string text = "caf\xC3\xA9";
  text_from_console(text);
  text_to_console(text);
  EXPECT_EQ(text, "caf\xC3\xA9");
  EXPECT_EQ(console_width(text.data(), text.size()), 4);
  std::string wide = "\xE6\x97\xA5\xE6\x9C\xAC x";  // two East Asian characters
  EXPECT_EQ(console_width(wide.data(), wide.size()), 6);

  use_locale("C");
  set_up_console_text(morvane::codepage_latin1);
  std::string latin1 = "caf\xE9";
  text_to_console(latin1);
  EXPECT_EQ(latin1, "caf\xE9");
  EXPECT_EQ(console_width(latin1.data(), latin1.size()), 4);
}

}  // namespace
}  // namespace tarnwick
