#include "statements/input_source.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>

#include "runtime/console_output.h"

namespace tarnwick {

// The file's own name says it, not a folder on its path: every script in
// "backup.SQL.log.2024/" is still a script.
bool is_replay_log_name(const char* name) {
  const char* slash = std::strrchr(name, '/');
  return std::strstr(slash != nullptr ? slash + 1 : name, "SQL.log.") != nullptr;
}

namespace {

// Scripts are buffered, so that reading them byte by byte costs no system
// call per byte. The buffered file needs a file it can seek in and address
// with 32-bit positions; pipes (--sql=<(...), /dev/stdin, named pipes),
// devices and files past 2 GiB are read as a stdio stream instead, which is
// buffered too and reads front to back without seeking.
bool open_readable(morvane::iFile& source, const char* name) {
  if (std::strcmp(name, "-") == 0) return source.open(name, morvane::IF_MODE_READ, 0, 0);
  struct stat info;
  if (::stat(name, &info) != 0) return false;
  // A directory opens for reading on Linux but gives no bytes; it is no
  // more a source than a missing file.
  if (S_ISDIR(info.st_mode)) return false;
  if (S_ISREG(info.st_mode) && info.st_size <= INT32_MAX) {
    return source.open(name, morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0);
  }
  return source.open_stream(name);
}

}  // namespace

SourceKind open_source(morvane::iFile& source, const char* name) {
  bool opened = false;
  try {
    opened = open_readable(source, name);
  } catch (const morvane::iFile::TooManyOpenFiles&) {
    // At the descriptor limit the open throws; such a source is skipped
    // like any other that does not open.
    opened = false;
  }
  if (!opened || !source.is_open()) {
    source.close();
    error_line("Cannot stat file '", name, "'");
    return SourceKind::unreadable;
  }
  return is_replay_log_name(name) ? SourceKind::replay_log : SourceKind::text;
}

}  // namespace tarnwick
