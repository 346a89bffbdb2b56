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

const char* fetch(void* context, int32_t row, int32_t column, bool* ok) {
  Table* table = static_cast<Table*>(context);
  *ok = true;
  const std::optional<std::string>& cell = table->rows[row][column];
  ++table->fetched;
  return cell ? strdup(cell->c_str()) : nullptr;
}

Table* releasing_table = nullptr;
void release(const char* text) {
  ++releasing_table->released;
  std::free(const_cast<char*>(text));
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

// Lines longer than the renderer's 64 KiB output block, one cell longer
// than the block itself: texts and padding cross the block's end at
// different places on each line, with every line flushed as at a terminal
// or not.
TEST(ResultTable, LinesLongerThanTheOutputBlockArriveWhole) {
  constexpr size_t kWide = 70 * 1024;
  Table table;
  for (size_t i = 0; i < 20; ++i) {
    table.rows.push_back({std::to_string(i), std::string(i == 7 ? kWide : i * 3511, static_cast<char>('a' + i))});
  }
  std::string border = "+--+" + std::string(kWide, '-') + "+\n";
  std::string expected = "20 row(s)\n" + border + "|id|v" + std::string(kWide - 1, ' ') + "|\n" + border;
  for (const auto& row : table.rows) {
    expected += "|" + *row[0] + std::string(2 - row[0]->size(), ' ') + "|" + *row[1] +
                std::string(kWide - row[1]->size(), ' ') + "|\n";
  }
  for (bool flush_lines : {false, true}) {
    TableOptions options;
    options.flush_lines = flush_lines;
    options.width_of = [](const char*, size_t length) { return static_cast<int64_t>(length); };
    EXPECT_TRUE(render(options, {"id", "v"}, table, 20) == expected + "2 rows affected\n") << flush_lines;
  }
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

namespace tarnwick {
namespace {

// Values that each need a rule of psql's CSV: separator, quote, line feed,
// carriage return, COPY's end marker, an empty string and NULL.
Table awkward_values() {
  return Table{{{"a,b", "say \"hi\""}, {"two\nlines", "cr\rx"}, {"\\.", ""}, {std::nullopt, "p|t\tq"}}};
}

TEST(DelimitedFormats, CsvQuotesWhatAReaderWouldMisreadAndWritesNoCounts) {
  Table table = awkward_values();
  TableOptions options;
  options.format = OutputFormat::csv;
  EXPECT_EQ(render(options, {"x", "y,z"}, table, 4),
            "x,\"y,z\"\n"
            "\"a,b\",\"say \"\"hi\"\"\"\n"
            "\"two\nlines\",\"cr\rx\"\n"
            "\"\\.\",\n"
            ",p|t\tq\n");
  EXPECT_EQ(table.fetched, 8);  // once each: nothing is measured
  EXPECT_EQ(table.released, 8);  // NULL included, as every fetched cell
}

TEST(DelimitedFormats, TsvAndUnalignedNeverQuote) {
  Table table = awkward_values();
  TableOptions options;
  options.format = OutputFormat::tsv;
  EXPECT_EQ(render(options, {"x", "y"}, table, 4),
            "x\ty\na,b\tsay \"hi\"\ntwo\nlines\tcr\rx\n\\.\t\n\tp|t\tq\n");
  Table again = awkward_values();
  options.format = OutputFormat::unaligned;
  EXPECT_EQ(render(options, {"x", "y"}, again, 4),
            "x|y\na,b|say \"hi\"\ntwo\nlines|cr\rx\n\\.|\n|p|t\tq\n");
}

TEST(DelimitedFormats, AnEmptyResultWritesItsHeaderAndSilentWritesNothing) {
  Table table;
  TableOptions options;
  options.format = OutputFormat::csv;
  EXPECT_EQ(render(options, {"id", "name"}, table, 0), "id,name\n");
  Table rows{{{"1", "Ann"}}};
  options.suppress_results = true;
  EXPECT_EQ(render(options, {"id", "name"}, rows, 1), "");
  EXPECT_EQ(rows.fetched, 1 * 2);
}

// Latin-1 "é" as UTF-8, as a terminal conversion makes it: one byte
// becomes two, the text stays one column wide.
void latin1_to_utf8(std::string& text) {
  std::string out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) == 0xE9) {
      out += "\xC3\xA9";
    } else {
      out += c;
    }
  }
  text = out;
}

int64_t code_points(const char* text, size_t length) {
  int64_t count = 0;
  for (size_t i = 0; i < length; ++i) count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
  return count;
}

TEST(ResultTable, ColumnsAreMeasuredAsTheTerminalShowsThem) {
  Table table{{{"caf\xE9", "1"}, {"tea", "22"}}};
  TableOptions options;
  options.to_console = latin1_to_utf8;
  options.width_of = code_points;
  EXPECT_EQ(render(options, {"dr\xE9nk", "n"}, table, 2),
            "2 row(s)\n"
            "+-----+--+\n"
            "|dr\xC3\xA9nk|n |\n"
            "+-----+--+\n"
            "|caf\xC3\xA9 |1 |\n"
            "|tea  |22|\n"
            "2 rows affected\n");
}

}  // namespace
}  // namespace tarnwick
