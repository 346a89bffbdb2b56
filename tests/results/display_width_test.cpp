// Widths of text on screen, and tables of accented, CJK and emoji text
// against golden files: with UTF-8 widths the frames line up on screen;
// without them every byte is one column, as for ISO-8859-1.
#include "results/display_width.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "results/result_table.h"

namespace tarnwick {
namespace {

int64_t width(const std::string& text) { return utf8_display_width(text.data(), text.size()); }

TEST(DisplayWidth, CharactersWideCharactersAndMarks) {
  EXPECT_EQ(width(""), 0);
  EXPECT_EQ(width("abc"), 3);
  EXPECT_EQ(width("Zoë"), 3);                 // precomposed: one column
  EXPECT_EQ(width("Zoe\xCC\x88"), 3);         // e + combining diaeresis
  EXPECT_EQ(width("東京"), 4);
  EXPECT_EQ(width("한국어"), 6);
  EXPECT_EQ(width("ｱ"), 1);                   // halfwidth katakana
  EXPECT_EQ(width("Ａ"), 2);                  // fullwidth Latin
  EXPECT_EQ(width("🙂"), 2);
  EXPECT_EQ(width("👍🏽"), 4);                 // a skin-tone modifier is shown too
  EXPECT_EQ(width("❤\xEF\xB8\x8F"), 1);       // variation selector takes nothing
  EXPECT_EQ(width("€"), 1);
  EXPECT_EQ(width("abcdefgh東京"), 12);       // past a whole word of ASCII
  EXPECT_EQ(width("abcdefghijklmnopq"), 17);
}

TEST(DisplayWidth, BytesThatAreNotUtf8CountOneEach) {
  EXPECT_EQ(width("caf\xE9"), 4);             // Latin-1 é
  EXPECT_EQ(width("\xE6\x9D"), 2);            // a cut sequence
  EXPECT_EQ(width("\xC0\xAF"), 2);            // an overlong "/"
  EXPECT_EQ(width("\xED\xA0\x80"), 3);        // a surrogate
  EXPECT_EQ(width("abcdefg\xE9" "abcdefgh"), 16);  // inside a word of ASCII
}

struct Cells {
  std::vector<std::vector<std::string>> rows;
};

const char* fetch(void* context, int32_t row, int32_t column, bool* ok) {
  *ok = true;
  return static_cast<Cells*>(context)->rows[row][column].c_str();
}

std::string render(bool utf8_widths, bool raw) {
  static Cells cells{{{"1", "Zoë", "Ålesund"}, {"22", "東京タワー", "🙂🙂"}, {"333", "naïve café", "e\xCC\x81"}}};
  std::vector<std::string> captions = {"id", "名前", "city"};
  char* bytes = nullptr;
  size_t size = 0;
  TableOptions options;
  options.stream = open_memstream(&bytes, &size);
  if (utf8_widths) options.width_of = utf8_display_width;
  options.raw = raw;
  QueryCounts counts{3, 3, 3};
  print_query_table(options, counts, captions, CellSource{fetch, nullptr, &cells});
  std::fclose(options.stream);
  std::string text(bytes, size);
  std::free(bytes);
  return text;
}

std::string golden(const char* name) {
  std::ifstream file(std::string(TARNWICK_RESULTS_GOLDEN) + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(DisplayWidth, TablesAgainstGoldenFiles) {
  EXPECT_EQ(render(true, false), golden("utf8_widths.txt"));
  EXPECT_EQ(render(false, false), golden("byte_widths.txt"));
  EXPECT_EQ(render(true, true), golden("utf8_raw.txt"));
}

}  // namespace
}  // namespace tarnwick
