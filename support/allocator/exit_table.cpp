#include "support/allocator/exit_table.h"

#include <cstdlib>

namespace morvane {

namespace {
ExitFunction functions[kExitTableSize];
size_t registered = 0;
}  // namespace

int atexit(ExitFunction function) {
  if (registered == kExitTableSize) return 1;
  functions[registered++] = function;
  return 0;
}

void exit(int code) {
  // The count drops before each call, so a function that calls exit again
  // goes on with the functions older than itself.
  while (registered > 0) functions[--registered]();
  std::exit(code);
}

}  // namespace morvane
