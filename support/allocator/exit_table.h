// The process's own exit-function table: functions registered with
// morvane::atexit run, newest first, when the program ends through
// morvane::exit. The C library's atexit and exit are left as they are.
//
// Threads: registration and exit take no lock; register from one thread
// (normally during start-up) and exit once.
#pragma once

#include <cstddef>

namespace morvane {

inline constexpr size_t kExitTableSize = 16384;

using ExitFunction = void (*)();

// Registers `function`; 0 when it is registered, 1 when the table is full.
int atexit(ExitFunction function);

// Runs the registered functions from the newest to the oldest, then ends the
// process through the C library's exit with `code`.
[[noreturn]] void exit(int code);

}  // namespace morvane
