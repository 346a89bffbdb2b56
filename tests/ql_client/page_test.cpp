// The fetched page on its own: cells of every size read back, from where
// they were first seen, once the page has grown past them.
#include "ql_client/core/page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace ql {
namespace {

struct Cell {
  std::optional<std::string> text;  // nullopt: SQL NULL
  size_t room = 0;                  // above the text's size: written through open_text
};

void check_round_trip(const std::vector<Cell>& cells) {
  Page page;
  std::vector<const char*> first_seen;
  size_t length;
  for (const Cell& cell : cells) {
    if (!cell.text) {
      page.add_null();
    } else if (cell.room > cell.text->size()) {
      std::memcpy(page.open_text(cell.room), cell.text->data(), cell.text->size());
      page.close_text(cell.text->size());
    } else {
      page.add_text(cell.text->data(), cell.text->size());
    }
    first_seen.push_back(page.text(page.cells() - 1, &length));
  }
  ASSERT_EQ(page.cells(), cells.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    const char* text = page.text(i, &length);
    ASSERT_EQ(text, first_seen[i]) << "cell " << i << " moved";
    ASSERT_EQ(text != nullptr, cells[i].text.has_value()) << i;
    ASSERT_EQ(text ? std::string(text, length + 1) : "", cells[i].text ? *cells[i].text + '\0' : "") << i;
  }
}

TEST(Page, CellsOfEverySizeStayWhereTheyWereWritten) {
  // First a text one byte too long for the first block; then texts at the
  // next blocks' edges, a room far larger than its text, one text that
  // passes over several blocks, NUL bytes inside a text, empty texts and
  // NULLs, repeated so that the small ones fill blocks up to the large one's.
  std::vector<Cell> cells = {{std::string(256, 'f')}};
  for (int round = 0; round < 40; ++round) {
    cells.insert(cells.end(), {{""}, {std::nullopt}, {std::string("a\0b", 3)}, {std::string(255, 'x')},
                               {std::string(511, 'y')}, {"converted", 3000}, {std::nullopt},
                               {round == 20 ? std::string(1 << 20, 'z') : "z"}});
  }
  check_round_trip(cells);
}

TEST(Page, OffsetsPastTwoGiBKeepTheirCells) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "sanitizers shadow the whole 2 GiB block";
#endif
  // A room of 1.5 GiB takes the 2 GiB block that begins 256 bytes below
  // 2 GiB (only the pages written become resident); the texts after it end
  // past 2 GiB, in the next segment of the offsets.
  std::vector<Cell> cells = {{"first"}, {"big", size_t{3} << 29}};
  for (int i = 0; i < 200; ++i) cells.push_back({i % 7 == 0 ? std::nullopt : std::optional(std::to_string(i))});
  check_round_trip(cells);
}

}  // namespace
}  // namespace ql
