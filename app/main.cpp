// tarnwick: the interactive shell, script runner and replay tool.
#include <cstdio>
#include <exception>
#include <new>

#include "console/driver.h"
#include "runtime/console_output.h"
#include "support/exception/exception.h"
#include "support/platform/platform.h"

int main(int argc, char** argv) {
  // Before anything opens a descriptor: a closed standard stream must not
  // become the number of the first file or socket the run opens.
  morvane::platform::fill_closed_standard_descriptors();
  // Nothing the run throws may end it in an abort. An allocation failure
  // has been reported where it happened (by the allocator, on both
  // streams); the run ends with what was written so far on the page.
  try {
    return tarnwick::run_console(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    return tarnwick::kExitOutOfMemory;
  } catch (const morvane::iAllocationFailure&) {
    std::fflush(stdout);
    return tarnwick::kExitOutOfMemory;
  } catch (const morvane::iException& e) {
    tarnwick::error_line("Fatal : ", e.what().narrow(0));
    return tarnwick::kExitInternalFailure;
  } catch (const std::exception& e) {
    tarnwick::error_line("Fatal : ", e.what());
    return tarnwick::kExitInternalFailure;
  }
}
