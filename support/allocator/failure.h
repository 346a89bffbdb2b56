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
// building the thrown iException allocates like any other exception. When
// that allocation is refused too, report_failure is entered again on the
// same thread: it then returns at once, writing nothing, and the caller
// returns null (the C++ runtime then takes the exception from its emergency
// pool) instead of recursing until the stack runs out.
void report_failure(size_t refused_bytes);

// Off at start; see allocator_set_exit_on_failure.
void set_exit_on_failure(bool on);

}  // namespace morvane::heap
