// Runs the built tarnwick binary in a working directory of its own, with
// given standard input, and gives back its exit code, standard output and
// standard error separately.
#pragma once

#include <string>
#include <vector>

namespace tarnwick::e2e {

struct RunResult {
  int exit_code = -1;
  std::string out;
  std::string err;
  double seconds_after_interrupt = 0;  // from the SIGINT to the end of the run
};

// `arguments` exclude the program name; `directory` becomes the working
// directory of the run. The captured streams are kept in `scratch` (the
// working directory when empty).
RunResult run_tarnwick(const std::vector<std::string>& arguments, const std::string& input,
                       const std::string& directory, const std::string& scratch = "");

// As run_tarnwick, sending SIGINT (Ctrl-C) `milliseconds` after the start.
RunResult run_tarnwick_interrupted(const std::vector<std::string>& arguments, const std::string& input,
                                   const std::string& directory, int milliseconds);

// The names of the statement trace files ("SQL.Tarnwick.…") in `directory`.
std::vector<std::string> trace_files_in(const std::string& directory);

// The PostgreSQL test server from the environment (PGTEST_HOST, PGTEST_PORT,
// PGTEST_USER), or empty texts when none was started.
struct PgServer {
  std::string host, port, user;
  bool available() const { return !host.empty(); }
};
PgServer pg_test_server();

// What a shell command writes on standard output; empty when it cannot run.
std::string output_of(const std::string& command);

// A replay log (little-endian, 8-bit texts) of the given statements.
std::string replay_log_bytes(const std::vector<std::string>& statements);

// A script that makes and fills table t with three rows, and the table that
// "select * from t order by id" shows for them.
inline constexpr const char* kPeopleScript =
    "create table t (id int, name text, city text);\n"
    "insert into t values (1, 'Ann', NULL), (22, 'Bartholomew', 'Oslo'), (333, '', 'Rome');\n";
inline constexpr const char* kPeopleTable =
    "3 row(s)\n"
    "+---+-----------+----+\n"
    "|id |name       |city|\n"
    "+---+-----------+----+\n"
    "|1  |Ann        |    |\n"
    "|22 |Bartholomew|Oslo|\n"
    "|333|           |Rome|\n";

}  // namespace tarnwick::e2e
