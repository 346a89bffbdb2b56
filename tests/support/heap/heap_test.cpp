// heap_allocate and every support-library allocation built on it report a
// refusal of the system as iException, with the refused size.
#include "support/heap/heap.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "support/codepage/codepage.h"
#include "support/exception/exception.h"
#include "support/file/file.h"
#include "support/string/owned_text.h"
#include "support/string/wstring.h"

#if defined(__SANITIZE_ADDRESS__)
// Absurd sizes are refused with null here, as the system refuses them,
// instead of ending the test.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace morvane {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // they reserve more address space than any limit
#else
constexpr bool kSanitized = false;
#endif

// The message of the iException that `body` throws; "" when it throws
// something else or nothing.
template <typename Body>
std::string refusal_of(Body body) {
  try {
    body();
  } catch (const iException& error) {
    return error.what().narrow(0);
  } catch (...) {
  }
  return "";
}

TEST(Heap, FormatsTheRefusalMessage) {
  char text[64];
  EXPECT_EQ(format_refusal_message(0x10008, text), 44u);
  EXPECT_STREQ(text, "MEMORY ALLOCATION FAILURE [0x00010008] bytes");
  format_refusal_message(SIZE_MAX, text);
  EXPECT_STREQ(text, "MEMORY ALLOCATION FAILURE [0xFFFFFFFFFFFFFFFF] bytes");
}

TEST(Heap, RefusalsOfEverySupportAllocationAreIExceptions) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "ThreadSanitizer aborts on absurd sizes";
#endif
  const size_t huge = SIZE_MAX / 2;
  EXPECT_EQ(refusal_of([&] { heap_allocate(huge); }),
            "MEMORY ALLOCATION FAILURE [0x7FFFFFFFFFFFFFFF] bytes");
  EXPECT_NE(refusal_of([&] { heap_allocate_aligned(4096, huge); }), "");
  // A count whose byte size overflows is refused, never cut short.
  EXPECT_EQ(refusal_of([&] { heap_allocate_array<char16_t>(SIZE_MAX / 2 + 2); }),
            "MEMORY ALLOCATION FAILURE [0xFFFFFFFFFFFFFFFF] bytes");
  EXPECT_NE(refusal_of([&] { TextBuffer buffer(huge); }), "");
  EXPECT_NE(refusal_of([&] { TextBuffer buffer(SIZE_MAX); }), "");
  const char16_t unit = u'x';
  EXPECT_NE(refusal_of([&] { WString text(&unit, size_t{UINT32_MAX}); }), "")
      << "a body past 32-bit lengths";
}

// Runs `body` in a forked child whose address space may grow by at most
// `headroom` bytes. Gives back "iException" when body threw one, "finished"
// when it ran out without, and otherwise what else happened.
template <typename Body>
std::string outcome_under_address_space_limit(size_t headroom, Body body) {
  pid_t child = fork();
  if (child == 0) {
    size_t pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%zu", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    size_t now = pages * static_cast<size_t>(sysconf(_SC_PAGESIZE));
    rlimit limit{now + headroom, now + headroom};
    if (now == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
    try {
      body();
    } catch (const iException&) {
      _exit(0);
    } catch (...) {
      _exit(2);
    }
    _exit(3);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  switch (WEXITSTATUS(status)) {
    case 0: return "iException";
    case 2: return "another exception";
    case 3: return "finished";
    default: return "exit " + std::to_string(WEXITSTATUS(status));
  }
}

TEST(Heap, ConversionsAndPageCachesUnderAnAddressSpaceLimit) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers reserve more address space than any limit";
  // Code-page conversions of a text larger than the memory left.
  EXPECT_EQ(outcome_under_address_space_limit(64u << 20,
                                              [] {
                                                std::string text(40u << 20, 'a');  // fits
                                                for (int i = 0; i < 8; ++i) {
                                                  size_t length = 0;
                                                  heap_free(decode_narrow(
                                                      text.c_str(), codepage_latin1, &length));
                                                  WString wide(text.c_str(), codepage_latin1);
                                                  WString twice = wide + wide;  // does not fit
                                                }
                                              }),
            "iException");
  // A page cache that grows past the memory left: its pages are refused.
  // Building that exception needs memory as well, which must not recurse.
  EXPECT_EQ(outcome_under_address_space_limit(64u << 20,
                                              [] {
                                                iFile file;
                                                file.open("/dev/null", IF_MODE_UPDATE, IF_PAGED, 0);
                                                std::string chunk(1u << 20, 'p');
                                                for (int i = 0; i < 256; ++i) {
                                                  file.write(chunk.data(), 1u << 20);
                                                }
                                              }),
            "iException");
}

}  // namespace
}  // namespace morvane
