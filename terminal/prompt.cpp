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

// The dbname of a key=value connection string; empty when it names none.
std::string connection_string_database(const std::string& text) {
  for (size_t at = text.find("dbname"); at != std::string::npos; at = text.find("dbname", at + 1)) {
    if (at > 0 && text[at - 1] != ' ') continue;
    size_t value = text.find_first_not_of(' ', at + 6);
    if (value == std::string::npos || text[value] != '=') continue;
    value = text.find_first_not_of(' ', value + 1);
    if (value == std::string::npos) return "";
    if (text[value] == '\'') return text.substr(value + 1, text.find('\'', value + 1) - value - 1);
    return text.substr(value, text.find(' ', value) - value);
  }
  return "";
}

}  // namespace

std::string prompt_name(const std::string& host, const std::string& user, const std::string& database) {
  if (host.starts_with(kSqlitePrefix)) {
    std::string file = host.substr(std::char_traits<char>::length(kSqlitePrefix));
    return std::string(kSqlitePrefix) + (file == ":memory:" ? "memory" : file);
  }
  if (host.starts_with("postgresql://") || host.starts_with("postgres://")) {
    if (!database.empty()) return "postgres:" + database;
    std::string named = uri_database(host);
    return "postgres:" + (named.empty() ? std::string("postgres") : named);
  }
  if (!database.empty()) return "postgres:" + database;
  if (host.find('=') != std::string::npos) {
    std::string named = connection_string_database(host);
    return "postgres:" + (named.empty() ? std::string("postgres") : named);
  }
  return "postgres:" + user;
}

std::string prompt_text(const std::string& name, bool statement_open, OpenText open, Transaction transaction) {
  char sign = '=';
  switch (open) {
    case OpenText::quote: sign = '\''; break;
    case OpenText::identifier: sign = '"'; break;
    case OpenText::dollar: sign = '$'; break;
    case OpenText::comment: sign = '*'; break;
    case OpenText::paren: sign = '('; break;
    case OpenText::none: sign = statement_open ? '-' : '='; break;
  }
  const char* mark = transaction == Transaction::open ? "*" : transaction == Transaction::failed ? "!" : "";
  return name + sign + mark + "> ";
}

}  // namespace tarnwick
