// The engines behind the client library, picked by the host text:
// "sqlite:PATH" (and "sqlite::memory:") is embedded SQLite, anything else a
// PostgreSQL server through libpq.
#pragma once

#include <memory>
#include <string>

#include "ql_client/core/session.h"

namespace ql {

// Opens a session of the engine that settings.host names. On failure
// returns null and sets `failure`.
std::unique_ptr<Session> open_session(const OpenSettings& settings, Failure* failure);

// Whether an engine answers at host and port; see ql_list_db.
bool engine_answers(const std::string& host, const std::string& port, std::string* databases, Failure* failure);

}  // namespace ql
