// tarnwick: the interactive shell, script runner and replay tool.
#include <cstdio>
#include <new>

#include "console/driver.h"
#include "support/exception/exception.h"

int main(int argc, char** argv) {
  try {
    return tarnwick::run_console(argc, argv);
  } catch (const std::bad_alloc&) {
    // The failure has been reported where it happened; end the run with
    // what was written so far on the page, instead of aborting.
    std::fflush(stdout);
    return 1;
  } catch (const morvane::iException&) {
    // The same for a refusal inside the support library (reported by the
    // allocator before it was thrown).
    std::fflush(stdout);
    return 1;
  }
}
