// Opening the input sources named by --sql= ("-" is standard input).
#pragma once

#include "support/file/file.h"

namespace tarnwick {

enum class SourceKind {
  unreadable,  // reported on standard error; the entry is skipped
  text,        // standard input or a script: read by the statement reader
  replay_log,  // a binary statement log ("SQL.log." in the name)
};

// Opens `name` through `source` and tells what it is. A name that cannot be
// opened, or that names a directory, is reported as "Cannot stat file".
SourceKind open_source(morvane::iFile& source, const char* name);

// Whether `name` names a binary replay log: the file's own name (after the
// last "/") holds "SQL.log." (case counts).
bool is_replay_log_name(const char* name);

}  // namespace tarnwick
