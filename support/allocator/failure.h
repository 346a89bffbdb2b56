// The allocation failure report: what happens when the system refuses a block.
#pragma once

#include <cstddef>

namespace morvane::heap {

// Writes "MEMORY ALLOCATION FAILURE [0x" + the refused byte count in
// upper-case hexadecimal (8 digits, more when the count needs them) +
// "] bytes" and "\r\n" to standard error, then the same to standard output,
// with raw writes. Then ends the process with exit code 66 when exit on
// failure is on, and otherwise throws iException with that text.
//
// Nothing here allocates, uses stdio or takes a lock before the throw;
// building the thrown iException allocates like any other exception.
[[noreturn]] void report_failure(size_t refused_bytes);

// Off at start; see allocator_set_exit_on_failure.
void set_exit_on_failure(bool on);

}  // namespace morvane::heap
