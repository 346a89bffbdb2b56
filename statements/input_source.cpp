#include "statements/input_source.h"

#include <cstring>
#include <filesystem>

#include "runtime/console_output.h"

namespace tarnwick {

namespace {

// Scripts are buffered, so that reading them byte by byte costs no system
// call per byte. At the descriptor limit the open throws; such a source is
// skipped like any other that does not open.
bool open_or_refuse(morvane::iFile& source, const char* name) {
  try {
    return source.open(name, morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0);
  } catch (const morvane::iFile::TooManyOpenFiles&) {
    return false;
  }
}

}  // namespace

bool is_replay_log_name(const char* name) { return std::strstr(name, "SQL.log.") != nullptr; }

SourceKind open_source(morvane::iFile& source, const char* name) {
  // A directory opens for reading on Linux but gives no bytes; it is no more
  // a source than a missing file.
  std::error_code error;
  bool directory = std::strcmp(name, "-") != 0 && std::filesystem::is_directory(name, error);
  if (directory || !open_or_refuse(source, name) || !source.is_open()) {
    source.close();
    error_line("Cannot stat file '", name, "'");
    return SourceKind::unreadable;
  }
  return is_replay_log_name(name) ? SourceKind::replay_log : SourceKind::text;
}

}  // namespace tarnwick
