// The renderer on its own: a stream of our own, switches as arguments, cells
// from a plain table, no console and no client library.
#include "results/result_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using Rows = std::vector<std::vector<std::optional<std::string>>>;

struct Table {
  Rows rows;
  int released = 0;
  int fetched = 0;
};

char* fetch(void* context, int32_t row, int32_t column, bool* ok) {
  Table* table = static_cast<Table*>(context);
  *ok = true;
  const std::optional<std::string>& cell = table->rows[row][column];
  ++table->fetched;
  return cell ? strdup(cell->c_str()) : nullptr;
}

Table* releasing_table = nullptr;
void release(char* text) {
  ++releasing_table->released;
  std::free(text);
}

// Renders into memory and returns what was written.
std::string render(TableOptions options, const std::vector<std::string>& captions, Table& table,
                   int32_t rows_counted) {
  char* bytes = nullptr;
  size_t size = 0;
  options.stream = open_memstream(&bytes, &size);
  releasing_table = &table;
  QueryCounts counts;
  counts.columns = static_cast<int32_t>(captions.size());
  counts.rows = rows_counted;
  counts.fetched = static_cast<int32_t>(table.rows.size());
  print_query_table(options, counts, captions, CellSource{fetch, release, &table});
  print_affected_line(options, 2);
  std::fclose(options.stream);
  std::string text(bytes, size);
  std::free(bytes);
  return text;
}

TEST(ResultTable, WritesToTheGivenStreamAndReleasesEveryCellTwice) {
  Table table{{{"1", "Ann"}, {"22", std::nullopt}}};
  EXPECT_EQ(render(TableOptions{}, {"id", "name"}, table, 2),
            "2 row(s)\n"
            "+--+----+\n"
            "|id|name|\n"
            "+--+----+\n"
            "|1 |Ann |\n"
            "|22|    |\n"
            "2 rows affected\n");
  EXPECT_EQ(table.fetched, 8);  // measured, then printed
  EXPECT_EQ(table.released, 8);
}

TEST(ResultTable, SwitchesComeFromTheOptions) {
  Table table{{{"1", "Ann"}}};
  TableOptions options;
  options.quiet = true;
  options.answers_limit = 1;
  options.to_console = [](std::string& text) {
    for (char& c : text) c = static_cast<char>(std::toupper(c));
  };
  EXPECT_EQ(render(options, {"id", "name"}, table, 1),
            "result truncated to 1 row(s)\n"
            "+--+----+\n"
            "|ID|NAME|\n"
            "+--+----+\n"
            "|1 |ANN |\n");
}

}  // namespace
}  // namespace tarnwick
