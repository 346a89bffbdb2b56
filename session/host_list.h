// The servers a --host= lists, for --spread-hosts: a plain list of hosts
// ("a,b" with --port= "5432,5433" or one port for all), a key=value
// connection string ("host=a,b port=5432,5433 target_session_attrs=any")
// or a URI ("postgresql://user@a:5432,b:5433/db?..."), as libpq takes them.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick {

// How many servers the host and port list.
size_t server_count(const std::string& host, const std::string& port);

// Narrows host and port (either may be a connection string or URI, in
// `host`) to server `index` (modulo their count): the same text with only
// that server in its lists. A label for the server goes into `label`.
void pick_server(std::string* host, std::string* port, size_t index, std::string* label);

}  // namespace tarnwick
