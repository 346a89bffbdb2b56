// Small stand-ins for the operating-system services the program uses.
// Everything outside support/platform/ calls these instead of including
// system headers for sleeping, yielding, process ids or console tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::platform {

// Suspends the calling thread for `milliseconds`; 0 only yields the
// processor to another ready thread (the spin locks use this).
void sleep_ms(uint32_t milliseconds);

// Gives the processor to another ready thread, if any.
void yield_processor();

// The id of this process, as used in trace-file names.
uint32_t process_id();

// True when the descriptor `fd` is a terminal.
bool is_console(int fd);

// The size of a virtual-memory page in bytes.
size_t page_size();

// Opens /dev/null on each of the standard descriptors 0, 1 and 2 that is
// closed. Called first thing at start-up: otherwise the first file or
// socket the process opens takes the lowest free number, and what the
// program writes as standard output or error would go into it.
void fill_closed_standard_descriptors();

}  // namespace morvane::platform
