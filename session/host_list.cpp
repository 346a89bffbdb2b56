#include "session/host_list.h"

#include <vector>

namespace tarnwick {

namespace {

std::vector<std::string> split(const std::string& list, char separator) {
  std::vector<std::string> parts;
  size_t at = 0;
  for (;;) {
    size_t end = list.find(separator, at);
    parts.push_back(list.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) return parts;
    at = end + 1;
  }
}

// Element `index` of a comma list (a list of one serves every index).
std::string element(const std::string& list, size_t index) {
  std::vector<std::string> parts = split(list, ',');
  return parts[index % parts.size()];
}

bool is_uri(const std::string& text) {
  return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

// A key=value connection string as (key, value) pairs, values unquoted
// only as far as finding the lists needs: a quoted value is kept whole.
struct Pair {
  std::string key, value;
};

std::vector<Pair> pairs_of(const std::string& text) {
  std::vector<Pair> pairs;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    size_t equals = text.find('=', at);
    if (at >= text.size() || equals == std::string::npos) break;
    Pair pair{text.substr(at, equals - at), ""};
    size_t end = equals + 1;
    if (end < text.size() && text[end] == '\'') {
      ++end;
      while (end < text.size() && text[end] != '\'') end += text[end] == '\\' ? 2 : 1;
      pair.value = text.substr(equals + 1, end + 1 - (equals + 1));
      end = end + 1;
    } else {
      while (end < text.size() && text[end] != ' ') ++end;
      pair.value = text.substr(equals + 1, end - (equals + 1));
    }
    while (!pair.key.empty() && pair.key.back() == ' ') pair.key.pop_back();
    pairs.push_back(pair);
    at = end;
  }
  return pairs;
}

// The servers of a URI's authority ("user@a:1,b:2"), with where they are.
void uri_servers(const std::string& uri, size_t* from, size_t* to) {
  size_t start = uri.find("://") + 3;
  size_t end = uri.find_first_of("/?", start);
  if (end == std::string::npos) end = uri.size();
  size_t at = uri.rfind('@', end);
  *from = at != std::string::npos && at >= start ? at + 1 : start;
  *to = end;
}

}  // namespace

size_t server_count(const std::string& host, const std::string& port) {
  if (is_uri(host)) {
    size_t from = 0, to = 0;
    uri_servers(host, &from, &to);
    return split(host.substr(from, to - from), ',').size();
  }
  if (host.find('=') != std::string::npos) {
    size_t count = 1;
    for (const Pair& pair : pairs_of(host)) {
      if (pair.key == "host" || pair.key == "hostaddr") count = std::max(count, split(pair.value, ',').size());
    }
    return count;
  }
  return std::max(split(host, ',').size(), split(port, ',').size());
}

void pick_server(std::string* host, std::string* port, size_t index, std::string* label) {
  if (is_uri(*host)) {
    size_t from = 0, to = 0;
    uri_servers(*host, &from, &to);
    const std::string server = element(host->substr(from, to - from), index);
    host->replace(from, to - from, server);
    *label = server;
    return;
  }
  if (host->find('=') != std::string::npos) {
    std::string rebuilt, name, number;
    for (const Pair& pair : pairs_of(*host)) {
      std::string value = pair.value;
      if (pair.key == "host" || pair.key == "hostaddr" || pair.key == "port") value = element(value, index);
      if (pair.key == "host" || (pair.key == "hostaddr" && name.empty())) name = value;
      if (pair.key == "port") number = value;
      rebuilt += (rebuilt.empty() ? "" : " ") + pair.key + "=" + value;
    }
    *host = rebuilt;
    *label = number.empty() ? name : name + ":" + number;
    return;
  }
  *host = element(*host, index);
  if (!port->empty()) *port = element(*port, index);
  *label = port->empty() ? *host : *host + ":" + *port;
}

}  // namespace tarnwick
