// The planned statement count of a report: the records of a replay log, as
// the replay reads them, counted from their prefixes alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "measure/report.h"

namespace tarnwick {
namespace {

std::string word(uint32_t value, bool big_endian) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[big_endian ? 3 - i : i] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::string header(bool big_endian, uint32_t width) {
  return (big_endian ? std::string("\xFF\xBB\xBB\xFF", 4) : word(0, false)) +
         word(width, big_endian);
}

std::string record(const std::string& text, uint32_t width, bool big_endian) {
  return word(7, big_endian) + word(static_cast<uint32_t>(text.size() / width), big_endian) + text;
}

TEST(LogRecords, CountsWhatTheReplayPlaysAndNothingPastDamage) {
  char pattern[] = "/tmp/tarnwick-records.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string three =
      record("select 1", 1, false) + record("", 1, false) + record("update t set a = 2", 1, false);
  const struct {
    const char* name;
    std::string bytes;
    int64_t records;
  } cases[] = {
      {"empty", "", 0},
      {"header only", header(false, 1), 0},
      {"a width other than 1 and 2", header(false, 3) + record("select 1", 1, false), 0},
      {"8-bit, an empty record among them", header(false, 1) + three, 3},
      {"16-bit, big-endian lengths",
       header(true, 2) + record(std::string("s\0e\0l\0", 6), 2, true) +
           record(std::string("x\0", 2), 2, true),
       2},
      {"a text cut short", header(false, 1) + three + word(0, false) + word(100, false) + "sel", 3},
      {"a prefix cut short", header(false, 1) + three + "\0\0\0\0\x05", 3},
  };
  for (const auto& c : cases) {
    const std::string file = dir + "/run.SQL.log.1";
    std::ofstream(file, std::ios::binary) << c.bytes;
    EXPECT_EQ(count_log_records(file.c_str()), c.records) << c.name;
  }
  // Skipped by the run (0), or of a size not known (-1).
  EXPECT_EQ(count_log_records((dir + "/missing.SQL.log.1").c_str()), 0);
  EXPECT_EQ(count_log_records(dir.c_str()), 0);
  ASSERT_EQ(mkfifo((dir + "/fifo.SQL.log.1").c_str(), 0600), 0);
  EXPECT_EQ(count_log_records((dir + "/fifo.SQL.log.1").c_str()), -1)
      << "a fifo is neither waited for nor read";
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace tarnwick
