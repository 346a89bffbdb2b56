// Reads arbitrary bytes as a PostgreSQL server log, in whichever format
// they look like, with the prefix learned or given: no crash, no hang, and
// no statement handed on that could not be written (a NUL inside) or that
// belongs to no session.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "statements/server_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("server-log", 0);
  if (fd == -1) std::abort();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  const std::string name = "/proc/self/fd/" + std::to_string(fd);

  tarnwick::ServerLogReader reader({name}, size % 2 == 0 ? "" : "%m [%p] %q%u@%d ");
  tarnwick::CapturedStatement statement;
  while (reader.next(&statement)) {
    if (statement.text.find('\0') != std::string::npos || statement.session == 0) std::abort();
  }
  return 0;
}
