// Statements per second through ql_client next to plain libpq, in one run:
//   single  N "select 1" through ql_query (and ql_close_cursor), one at a
//           time, next to a PQexec loop on one connection
//   pool    the same N statements in batches of 64 over 8 sessions
// Usage: ql_client_compare HOST PORT USER N [libpq|single]
// Prints "name rate" lines that bench/compare/ql_client.sh turns into ratios.
// With a fifth argument only that loop runs, once, for a profiler.
#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ql_client/ql_client.h"

namespace {

constexpr const char* kStatement = "select 1";
constexpr int kSessions = 8;
constexpr int kBatch = 64;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double libpq_rate(const std::string& conninfo, int n) {
  PGconn* connection = PQconnectdb(conninfo.c_str());
  if (PQstatus(connection) != CONNECTION_OK) {
    std::fprintf(stderr, "libpq: %s", PQerrorMessage(connection));
    std::exit(1);
  }
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) PQclear(PQexec(connection, kStatement));
  double rate = n / seconds_since(start);
  PQfinish(connection);
  return rate;
}

ql_handle open(const char* host, const char* port, const char* user, int sessions) {
  ClientError error{};
  ql_handle handle = ql_pool_open(host, port, nullptr, user, "", "English", 0, 20, 1024, 1, sessions, &error);
  if (error.code != 0) {
    std::fprintf(stderr, "ql_client: %s\n", error.text);
    std::exit(1);
  }
  return handle;
}

double single_rate(const char* host, const char* port, const char* user, int n) {
  ql_handle handle = open(host, port, user, 1);
  ClientError error{};
  int32_t columns, rows, fetched;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) {
    ql_close_cursor(ql_query(handle, kStatement, &columns, &rows, &fetched, 0, 0, &error));
  }
  double rate = n / seconds_since(start);
  ql_close(handle);
  return rate;
}

double pool_rate(const char* host, const char* port, const char* user, int n) {
  ql_handle handle = open(host, port, user, kSessions);
  std::vector<const char*> texts(kBatch, kStatement);
  std::vector<int32_t> columns(kBatch), rows(kBatch), fetched(kBatch);
  ClientError error{};
  auto start = std::chrono::steady_clock::now();
  for (int done = 0; done < n; done += kBatch) {
    ql_pool_close_cursor(ql_pool_query(handle, texts.data(), kBatch, columns.data(), rows.data(), fetched.data(), 0,
                                       0, &error));
    if (error.code != 0) {
      std::fprintf(stderr, "ql_client: %s\n", error.text);
      std::exit(1);
    }
  }
  double rate = n / seconds_since(start);
  ql_pool_close(handle);
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: ql_client_compare HOST PORT USER N [libpq|single]\n");
    return 2;
  }
  const char* host = argv[1];
  const char* port = argv[2];
  const char* user = argv[3];
  int n = std::atoi(argv[4]);
  std::string conninfo = std::string("host=") + host + " port=" + port + " user=" + user;
  if (argc == 6) {
    std::string only = argv[5];
    double rate = only == "libpq" ? libpq_rate(conninfo, n) : single_rate(host, port, user, n);
    std::printf("%s %.0f\n", only.c_str(), rate);
    return 0;
  }
  // Alternate the two single-statement loops so that both see the same
  // machine load; keep each one's best round.
  double libpq = 0, single = 0;
  constexpr int kRounds = 5;
  for (int round = 0; round < kRounds; ++round) {
    libpq = std::max(libpq, libpq_rate(conninfo, n / kRounds));
    single = std::max(single, single_rate(host, port, user, n / kRounds));
  }
  std::printf("libpq_single %.0f\n", libpq);
  std::printf("ql_single %.0f\n", single);
  std::printf("ql_pool %.0f\n", pool_rate(host, port, user, n));
  return 0;
}
