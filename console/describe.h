// The describing commands of psql (\d and its family, \l, \dn, \df) and of
// the sqlite3 shell (.tables, .schema, .indexes), on both engines, shown as
// query results in the run's format.
#pragma once

#include <string>
#include <vector>

#include "runtime/outcome.h"

namespace tarnwick {

// Runs the describing command whose words are `words` ("\dt", "public.t"…)
// and returns true, or returns false when `words` is no such command.
bool describe(const std::vector<std::string>& words, Outcome* outcome);

}  // namespace tarnwick
