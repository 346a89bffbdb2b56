#include "terminal/prompt.h"

namespace tarnwick {

namespace {

constexpr const char* kSqlitePrefix = "sqlite:";

// The database a PostgreSQL URI names: the path after the host part,
// without parameters; empty when it names none.
std::string uri_database(const std::string& uri) {
  size_t scheme = uri.find("://");
  size_t slash = uri.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  if (slash == std::string::npos) return "";
  return uri.substr(slash + 1, uri.find('?', slash) - slash - 1);
}

}  // namespace

std::string prompt_name(const std::string& host, const std::string& user) {
  if (host.starts_with(kSqlitePrefix)) {
    std::string file = host.substr(std::char_traits<char>::length(kSqlitePrefix));
    return std::string(kSqlitePrefix) + (file == ":memory:" ? "memory" : file);
  }
  if (host.starts_with("postgresql://") || host.starts_with("postgres://")) {
    std::string database = uri_database(host);
    return "postgres:" + (database.empty() ? std::string("postgres") : database);
  }
  return "postgres:" + user;
}

std::string prompt_text(const std::string& name, bool statement_open, OpenText open) {
  char sign = '=';
  switch (open) {
    case OpenText::quote: sign = '\''; break;
    case OpenText::identifier: sign = '"'; break;
    case OpenText::dollar: sign = '$'; break;
    case OpenText::comment: sign = '*'; break;
    case OpenText::paren: sign = '('; break;
    case OpenText::none: sign = statement_open ? '-' : '='; break;
  }
  return name + sign + "> ";
}

}  // namespace tarnwick
