// Plays arbitrary bytes as a replay log: no crash, no read past a buffer,
// and (with -malloc_limit_mb) no allocation beyond the reader's own buffer,
// however large the lengths in the file claim to be.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "statements/replay_log.h"
#include "support/file/open_flags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("replay", 0);
  if (fd == -1) std::abort();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  const std::string name = "/proc/self/fd/" + std::to_string(fd);

  morvane::iFile source;
  if (!source.open(name.c_str(), morvane::IF_MODE_READ, 0, 0)) std::abort();
  size_t seen_bytes = 0;
  tarnwick::ReplayLogReader log(source, "fuzz.SQL.log.1", size % 2 == 0);
  char* text = nullptr;
  bool query = false;
  while (log.next(&text, &query)) seen_bytes += std::strlen(text);
  // UTF-8 can at most triple 16-bit text; 8-bit text is handed on as is.
  if (seen_bytes > size * 3 / 2 + 1) std::abort();
  return 0;
}
