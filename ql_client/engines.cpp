// Picks the engine that a host text names.
#include "ql_client/engines.h"

#include "ql_client/postgres/pg_session.h"
#include "ql_client/sqlite/sqlite_session.h"

namespace ql {

namespace {

constexpr std::string_view kSqlitePrefix = "sqlite:";

bool is_sqlite(const std::string& host) { return host.starts_with(kSqlitePrefix); }

std::string sqlite_path(const std::string& host) { return host.substr(kSqlitePrefix.size()); }

}  // namespace

std::unique_ptr<Session> open_session(const OpenSettings& settings, Failure* failure) {
  if (is_sqlite(settings.host)) return SqliteSession::open(sqlite_path(settings.host), settings, failure);
  return PgSession::open(settings, failure);
}

bool engine_answers(const std::string& host, const std::string& port, std::string* databases, Failure* failure) {
  if (is_sqlite(host)) return sqlite_answers(sqlite_path(host), databases, failure);
  return pg_answers(host, port, databases, failure);
}

}  // namespace ql
