// A query over ten million rows with a page of 20 keeps the process small:
// rows are streamed, not held. Peak memory is read from /proc after the
// kernel's high-water mark is reset.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int64_t kRows = 1000000;  // sanitizers are slow and measure their own memory
constexpr bool kMeasure = false;
#else
constexpr int64_t kRows = 10000000;
constexpr bool kMeasure = true;
#endif
constexpr long kLimitKb = 64 * 1024;

void reset_peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

long peak_kb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return -1;
}

using Memory = EngineTest;

TEST_P(Memory, TenMillionRowsStreamThroughASmallProcess) {
  ql_handle db = open();
  reset_peak();
  long before = peak_kb();
  int32_t rows = 0, fetched = 0;
  ql_cursor cursor = ql_query(db, series(kRows).c_str(), nullptr, &rows, &fetched, 20, -1, &error_);
  ASSERT_EQ(error_.code, 0) << error_.text;
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(fetched, 20);
  ql_close_cursor(cursor);
  long peak = peak_kb();
  std::cout << "peak RSS over " << kRows << " rows: " << peak / 1024 << " MB (" << before / 1024
            << " MB before the query)\n";
  RecordProperty("peak_rss_kb", static_cast<int>(peak));
  if (kMeasure) {
    EXPECT_LT(peak, kLimitKb);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, Memory, testing::Values(Engine::sqlite, Engine::postgres), engine_name);

}  // namespace
}  // namespace ql_test
