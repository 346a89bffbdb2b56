#include "support/allocator/exit_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace morvane {
namespace {

// Each test registers and exits in a child process (a death test), so the
// process-wide table of the test binary itself stays empty.

void say_a() { write(2, "a", 1); }
void say_b() { write(2, "b", 1); }
void say_c() { write(2, "c", 1); }

TEST(ExitTableDeathTest, RunsNewestFirstThenExitsWithTheCode) {
  EXPECT_EXIT(
      {
        morvane::atexit(say_a);
        morvane::atexit(say_b);
        morvane::atexit(say_c);
        morvane::exit(7);
      },
      ::testing::ExitedWithCode(7), "^cba$");
}

int calls = 0;
void count_call() { ++calls; }
void report_calls() {
  char text[] = "calls=00000";
  for (int i = 10, n = calls; i > 5; --i, n /= 10) text[i] = static_cast<char>('0' + n % 10);
  write(2, text, sizeof text - 1);
}

TEST(ExitTableDeathTest, FullTableRefusesAndKeepsWhatItHas) {
  EXPECT_EXIT(
      {
        int refused = morvane::atexit(report_calls);
        for (size_t i = 1; i < kExitTableSize; ++i) refused += morvane::atexit(count_call);
        if (refused != 0) morvane::exit(1);
        // The 16,385th registration is refused and not run.
        if (morvane::atexit(say_a) != 1) morvane::exit(2);
        morvane::exit(0);
      },
      ::testing::ExitedWithCode(0), "^calls=16383$");
}

}  // namespace
}  // namespace morvane
