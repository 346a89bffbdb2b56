// Server logs in each format, whole and damaged, read into the statements
// of a captured log.
#include "statements/server_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

constexpr int64_t kTen = 1796724000LL * 1000000;  // 2026-12-08 10:00:00 UTC

// A stderr line with the prefix "%m [%p] " at 10:00:SS.mmm.
std::string at(const char* seconds, int pid, const std::string& rest) {
  return "2026-12-08 10:00:" + std::string(seconds) + " UTC [" + std::to_string(pid) + "] " + rest + "\n";
}

// A csvlog record of the server's 26 columns.
std::string csv(const char* seconds, int pid, const std::string& severity, const std::string& message,
                const std::string& detail = "") {
  auto quoted = [](std::string text) {
    for (size_t i = text.find('"'); i != std::string::npos; i = text.find('"', i + 2)) text.insert(i, "\"");
    return "\"" + text + "\"";
  };
  return "2026-12-08 10:00:" + std::string(seconds) + " UTC,\"app\",\"db\"," + std::to_string(pid) +
         ",\"127.0.0.1:5000\",6763f2a1." + std::to_string(pid) + ",1,\"idle\",2026-12-08 10:00:00 UTC,3/1,0," +
         severity + ",00000," + quoted(message) + "," + (detail.empty() ? "" : quoted(detail)) +
         ",,,,,,,,\"psql\",\"client backend\",,0\n";
}

struct Case {
  const char* name;
  std::vector<std::string> files;  // contents of log1, log2, ...
  std::string prefix_setting;
  // "SESSION +MICROSECONDS[ end] TEXT" per statement, times after 10:00:00
  std::vector<std::string> statements;
  std::string errors;
};

const std::vector<Case> kCases = {
    {"stderr: multi-line statements, a failed one once, sessions ending and a process id used again",
     {at("00.100", 1, "LOG:  database system is ready to accept connections") +
      at("01.000", 200, "LOG:  connection received: host=127.0.0.1 port=5000") +
      at("01.002", 200, "LOG:  statement: select 1;") +
      at("01.003", 201, "LOG:  statement: select *\n\tfrom t\n\t\twhere x = 'a\n\tb'") +
      at("01.005", 201, "ERROR:  relation \"t\" does not exist at character 15") +
      at("01.005", 201, "STATEMENT:  select *\n\tfrom t") +
      at("01.006", 300, "LOG:  checkpoint starting: time") +
      at("02.000", 200, "LOG:  disconnection: session time: 0:00:01.000 user=a database=b host=h port=1") +
      at("03.000", 200, "LOG:  statement: select 'same process id, new session'") +
      at("04.000", 201, "LOG:  statement: select 2")},
     "",
     {"1 +1002000 end select 1;", "2 +1003000 select *\nfrom t\n\twhere x = 'a\nb'",
      "3 +3000000 select 'same process id, new session'", "2 +4000000 select 2"},
     ""},
    {"stderr with session ids and %q: lines of processes without a session match too",
     {"2026-12-08 10:00:00.500 UTC 6763f2a1.64 LOG:  database system is ready to accept connections\n"
      "2026-12-08 10:00:01.000 UTC 6763f2a2.c8 app@db LOG:  statement: begin\n"
      "2026-12-08 10:00:01.100 UTC 6763f2a2.c9 app@db LOG:  statement: select 1\n"
      "2026-12-08 10:00:01.200 UTC 6763f2a2.c8 app@db LOG:  statement: commit\n"
      "2026-12-08 10:00:01.300 UTC 6763f2a2.c8 app@db FATAL:  terminating connection due to administrator command\n"},
     "",
     {"1 +1000000 begin", "2 +1100000 select 1", "1 +1200000 end commit"},
     ""},
    {"a learned prefix: the process id in brackets, text around it that varies",
     {"2026-12-08 10:00:01 UTC:127.0.0.1(5432):app@db:[12]: LOG:  statement: select 1\n"
      "2026-12-08 10:00:02 UTC:[local]:u@d:[13]: LOG:  statement: select 2\n"
      "2026-12-08 10:00:03 UTC::@:[7]: LOG:  server process (PID 12) exited with exit code 1\n"},
     "",
     {"1 +1000000 end select 1", "2 +2000000 select 2"},
     ""},
    {"stderr with the server's setting, %t and padding",
     {"2026-12-08 10:00:01 UTC [  12] u@d LOG:  statement: select 1\n"
      "2026-12-08 10:00:02 UTC [   7] LOG:  server process (PID 12) was terminated by signal 9: Killed\n"},
     "%t [%4p] %q%u@%d ",
     {"1 +1000000 end select 1"},
     ""},
    {"free-text fields do not make a long line that matches nowhere take forever",
     {std::string(1000, ' ') + "x\n" + "a b c d 2026-12-08 10:00:01.000 UTC [5] LOG:  statement: select 1\n"},
     "%a %u %d %h %m [%p] ",
     {"1 +1000000 select 1"},
     "'log1' line 1: not a line of the server log (skipped)\n"},
    {"durations: start times, parse and bind left out, a statement logged twice written once",
     {at("01.000", 5, "LOG:  duration: 2.500 ms  statement: update t set x = 1") +
      at("01.001", 5, "LOG:  duration: 0.100 ms  parse <unnamed>: select $1") +
      at("01.002", 5, "LOG:  duration: 0.100 ms  bind <unnamed>: select $1") +
      at("01.002", 5, "DETAIL:  parameters: $1 = '5'") +
      at("01.003", 5, "LOG:  duration: 1.000 ms  execute S_1: select $1") +
      at("01.003", 5, "DETAIL:  parameters: $1 = '5'") +
      at("01.004", 5, "LOG:  statement: select 2") +
      at("01.005", 5, "LOG:  duration: 0.7 ms") +
      at("01.006", 5, "LOG:  statement: select 3") +
      at("01.007", 5, "LOG:  duration: 0.5 ms  statement: select 3") +
      at("01.008", 5, "LOG:  duration: 0.x ms  statement: select 4")},
     "",
     {"1 +997500 update t set x = 1", "1 +1002000 select '5'", "1 +1004000 select 2", "1 +1006000 select 3"},
     "'log1' line 11: a duration that is not a number of milliseconds (skipped)\n"},
    {"extended protocol: parameters as literals, only outside quotes and comments",
     {at("01.000", 5, "LOG:  execute <unnamed>: select $1, $2, '$1', \"$1\", $10 -- $1") +
      at("01.000", 5,
         "DETAIL:  parameters: $1 = 'it''s', $2 = NULL, $3 = '3', $4 = '4', $5 = '5', $6 = '6', $7 = '7', "
         "$8 = '8', $9 = '9', $10 = 'ten\n\tlines'") +
      at("01.001", 5, "LOG:  execute S_2/C_3: select $$ $1 $$, E'\\' $1', a$1, /* $1 /* $1 */ */ $1") +
      at("01.001", 5, "DETAIL:  parameters: $1 = 'x'") +
      at("01.002", 5, "LOG:  execute fetch from S_2/C_3: select $$ $1 $$") +
      at("01.003", 5, "LOG:  execute <unnamed>: select $2") +
      at("01.003", 5, "DETAIL:  parameters: $1 = 'one'") +
      at("01.004", 5, "LOG:  execute <unnamed>: select $1") +
      at("01.005", 5, "LOG:  execute <unnamed>: select $1") +
      at("01.005", 5, "DETAIL:  parameters: $1 = 'cut") +
      at("01.006", 5, "LOG:  execute <unnamed>: select now()")},
     "",
     {"1 +1000000 select 'it''s', NULL, '$1', \"$1\", 'ten\nlines' -- $1",
      "1 +1001000 select $$ $1 $$, E'\\' $1', a$1, /* $1 /* $1 */ */ 'x'", "1 +1006000 select now()"},
     "'log1' line 7: parameter $2 has no value in the log (skipped)\n"
     "'log1' line 9: parameter $1 has no value in the log (skipped)\n"
     "'log1' line 10: parameters that cannot be read (skipped)\n"},
    {"stderr damage: foreign lines, interrupted and orphan continuations, a cut last line; sessions go on "
     "into the next file",
     {at("01.000", 5, "LOG:  statement: select 1") + "2026-12-08 10:0\n" + at("01.100", 6, "LOG:  statement: select") +
          "some other program's output\n\tfrom t\n\twhere 1\n" + at("01.200", 5, "LOG:  statement: select 2") +
          "\n" + at("01.300", 5, "LOG:  statement: select 3"),
      "\tx = 1\n\ty = 2\n" + at("02.000", 5, "LOG:  statement: select 4") +
          at("03.000", 5, "LOG:  statement: select 5").substr(0, 50)},
     "",
     {"1 +1000000 select 1", "1 +1200000 select 2", "1 +1300000 select 3", "1 +2000000 select 4"},
     "'log1' line 2: not a line of the server log (skipped)\n"
     "'log1' line 4: not a line of the server log (skipped)\n"
     "'log1' line 3: an entry interrupted by line 4, which is not the log's (skipped)\n"
     "'log2' line 1: a continuation line with no log line before it (skipped)\n"
     "'log2' line 4: the file ends in the middle of line 4 (skipped)\n"},
    {"csvlog: quoted fields, line feeds inside, a detail, a record of the wrong width, a cut last record",
     {csv("01.000", 7, "LOG", "statement: select 'a,\"b\"\nc'") + csv("01.001", 7, "ERROR", "syntax error") +
          csv("01.002", 7, "LOG", "execute <unnamed>: select $1", "parameters: $1 = 'q\"'") +
          "2026-12-08 10:00:01.003 UTC,\"app\",7,LOG\n" + csv("01.004", 8, "LOG", "statement: select\n2") +
          csv("01.005", 7, "LOG", "disconnection: session time: 0:00:01.000") +
          csv("01.006", 8, "LOG", "statement: select 3").substr(0, 150)},
     "",
     {"1 +1000000 select 'a,\"b\"\nc'", "1 +1002000 end select 'q\"'", "2 +1004000 select\n2"},
     "'log1' line 5: a CSV record of 4 fields, not the server's 23, 24 or 26 (skipped)\n"
     "'log1' line 9: the file ends inside this CSV record (skipped)\n"},
    {"jsonlog: escapes, a detail, lines that are not JSON records",
     {"{\"timestamp\":\"2026-12-08 10:00:01.000 UTC\",\"pid\":9,\"session_id\":\"6763f2a1.9\","
      "\"error_severity\":\"LOG\",\"message\":\"statement: select 'tab\\there', '\\u00e9\\\"'\"}\n"
      "{\"timestamp\":\"2026-12-08 10:00:01.001 UTC\",\"pid\":9,\"session_id\":\"6763f2a1.9\"\n"
      "not json\n"
      "{\"pid\":9,\"message\":\"statement: select 0\"}\n"
      "{\"timestamp\":\"2026-12-08 10:00:01.001 UTC\",\"error_severity\":\"LOG\",\"message\":\"statement: select 0\"}\n"
      "{\"timestamp\":\"2026-12-08 10:00:01.002 UTC\",\"pid\":9,\"session_id\":\"6763f2a1.9\","
      "\"error_severity\":\"LOG\",\"message\":\"execute <unnamed>: select $1\",\"detail\":\"parameters: $1 = NULL\"}\n"},
     "",
     {"1 +1000000 select 'tab\there', '\xC3\xA9\"'", "1 +1002000 select NULL"},
     "'log1' line 2: not a JSON object (skipped)\n"
     "'log1' line 3: not a JSON object (skipped)\n"
     "'log1' line 4: a JSON record without a readable \"timestamp\" (skipped)\n"
     "'log1' line 5: a statement that names no process or session (skipped)\n"},
};

class ServerLogTest : public morvane::testing::TempDirTest {};

TEST_F(ServerLogTest, Cases) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> files;
    for (size_t i = 0; i < c.files.size(); ++i) {
      files.push_back(path("log" + std::to_string(i + 1)));
      write_file("log" + std::to_string(i + 1), c.files[i]);
    }
    CaptureStderr();
    ServerLogReader reader(files, c.prefix_setting);
    std::vector<std::string> got;
    CapturedStatement statement;
    while (reader.next(&statement)) {
      got.push_back(std::to_string(statement.session) + " +" + std::to_string(statement.time_us - kTen) +
                    (statement.session_ends ? " end " : " ") + statement.text);
    }
    std::string errors = GetCapturedStderr();
    for (size_t at = errors.find(dir_.string() + "/"); at != std::string::npos; at = errors.find(dir_.string() + "/")) {
      errors.erase(at, dir_.string().size() + 1);
    }
    EXPECT_EQ(got, c.statements);
    EXPECT_EQ(errors, c.errors);
    EXPECT_FALSE(reader.failed());
  }
}

TEST_F(ServerLogTest, FormatsAreToldByContent) {
  const struct {
    std::string content;
    std::string prefix_setting;
    ServerLogFormat format;
  } cases[] = {
      {"\n" + at("01.000", 5, "LOG:  statement: select 1"), "", ServerLogFormat::stderr_text},
      {"1765188000.123 6763f2a1.5 LOG:  checkpoint starting: time\n", "", ServerLogFormat::stderr_text},
      {csv("01.000", 5, "LOG", "statement: select 1"), "", ServerLogFormat::csvlog},
      {"{\"timestamp\":\"2026-12-08 10:00:01.000 UTC\"}\n", "", ServerLogFormat::jsonlog},
      {"select 'LOG:  statement: x';\n", "", ServerLogFormat::none},
      {"{\"a\": 1}\n", "", ServerLogFormat::none},
      {"select 1;\n", "%m [%p] ", ServerLogFormat::stderr_text},  // the setting says it is a server log
  };
  for (const auto& c : cases) {
    write_file("input", c.content);
    EXPECT_EQ(server_log_format(path("input"), c.prefix_setting), c.format) << c.content;
  }
  EXPECT_EQ(server_log_format(path("missing"), ""), ServerLogFormat::none);
}

TEST_F(ServerLogTest, APrefixWithoutSessionsIsRefused) {
  write_file("log", "2026-12-08 10:00:01.000 UTC LOG:  statement: select 1\n");
  CaptureStderr();
  ServerLogReader reader({path("log")}, "");
  CapturedStatement statement;
  EXPECT_FALSE(reader.next(&statement));
  EXPECT_NE(GetCapturedStderr().find("holds no process id (%p) or session id (%c)"), std::string::npos);
  EXPECT_TRUE(reader.failed());
}

}  // namespace
}  // namespace tarnwick
