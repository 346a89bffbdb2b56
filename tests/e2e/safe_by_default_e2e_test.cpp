// Runs of the binary where a careless default would cost data or hide a
// failure: text left open at the end of a script, UTF-8 scripts under a
// UTF-8 locale, every row and no message in the machine formats, a COMMIT
// that rolled back, the --debug reopen inside a transaction, SQLite's
// counts beside triggers, PostgreSQL scripts cut where psql cuts them, and
// dumps of both engines loaded and dumped again. What a run stored is read
// back with the engine's own client (psql, sqlite3). PostgreSQL runs skip
// when no test server is up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {


// Environment variables for the runs of one scope (a null value unsets
// one): the child inherits them, so this is how a run gets its locale.
using Variables = std::vector<std::pair<const char*, const char*>>;
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const Variables& variables) {
    for (const auto& [name, value] : variables) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
      if (value != nullptr) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

const Variables kUtf8Locale = {{"LC_ALL", "C.UTF-8"}};

// pg_dump of 15.14 and later brackets a dump in \restrict lines with a key
// that changes with every run; the rest must match.
std::string without_restrict_lines(const std::string& dump) {
  std::string kept;
  size_t at = 0;
  while (at < dump.size()) {
    size_t end = dump.find('\n', at);
    end = end == std::string::npos ? dump.size() : end + 1;
    if (dump.compare(at, 10, "\\restrict ") != 0 && dump.compare(at, 12, "\\unrestrict ") != 0) {
      kept.append(dump, at, end - at);
    }
    at = end;
  }
  return kept;
}

// The parameter says whether the run is on PostgreSQL; each test picks its
// tables' names alone, since the server's database is shared by tests that
// run at the same time.
class SafeByDefault : public morvane::testing::TempDirTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool postgres() const { return GetParam(); }

  void SetUp() override {
    TempDirTest::SetUp();
    server_ = pg_test_server();
    if (postgres() && !server_.available()) GTEST_SKIP() << "no PostgreSQL test server";
    const char* peers = postgres() ? "command -v psql && command -v pg_dump" : "command -v sqlite3";
    if (std::system((std::string(peers) + " >/dev/null").c_str()) != 0) GTEST_SKIP() << "no " << peers;
  }

  // Where tarnwick connects, for writing: test.db, or the server's test
  // database (`database` instead when given).
  std::vector<std::string> engine(const std::string& database = "") const {
    if (!postgres()) return {"--host=sqlite:" + path("test.db"), "--mode=w"};
    if (!database.empty()) {
      return {"--host=postgresql://" + server_.user + "@" + server_.host + ":" + server_.port + "/" + database,
              "--mode=w"};
    }
    return {"--host=" + server_.host, "--port=" + server_.port, "--user=" + server_.user, "--mode=w"};
  }

  // Runs `script` as s.sql with the engine's arguments and `more`.
  RunResult run(const std::string& script, std::vector<std::string> more = {}, const std::string& database = "") {
    write_file("s.sql", script);
    std::vector<std::string> arguments = engine(database);
    arguments.insert(arguments.end(), more.begin(), more.end());
    arguments.push_back("--sql=s.sql");
    return run_tarnwick(arguments, "", dir_.string());
  }

  std::string psql(const std::string& database = "") const {
    return "PGCLIENTENCODING=UTF8 psql -X -h " + server_.host + " -p " + server_.port +
           " -U " + server_.user + " -d " + (database.empty() ? server_.user : database);
  }

  std::string pg_dump(const std::string& options) const {
    return output_of("pg_dump -h " + server_.host + " -p " + server_.port + " -U " + server_.user + " " + options);
  }

  // What the engine's own client prints for `sql`: a row a line, fields
  // between '|'.
  std::string peer(const std::string& sql, const std::string& database = "") {
    if (!postgres()) {
      write_file("peer.sql", sql);
      return output_of("sqlite3 -batch " + path("test.db") + " < " + path("peer.sql"));
    }
    write_file("peer.sql", "set client_min_messages = warning;\n" + sql);
    return output_of(psql(database) + " -qAt -f " + path("peer.sql"));
  }

  PgServer server_;
};

class SafeOnBothEngines : public SafeByDefault {};
class SafeOnPostgres : public SafeByDefault {};
class SafeOnSqlite : public SafeByDefault {};

// The last statement of a script, left open by a comment, quote or name
// that never closes. Before the open text stands a whole statement,
// "delete from safe_acct", which would empty the table if the reader cut the
// text there and ran it; the engine must get it whole and reject it.
struct OpenEnd {
  bool postgres;
  const char* tail;
  const char* error;  // how standard output starts
  int rows_left;
};

const OpenEnd kOpenEnds[] = {
    // PostgreSQL's comments nest: the outer one is still open at the end.
    {true, "/* old rows, see /* ticket 12 */ where created < 5;", "Error : ERROR:  unterminated /* comment", 3},
    {true, "/* old rows; where created < 5;", "Error : ERROR:  unterminated /* comment", 3},
    {true, "'old rows; where created < 5;", "Error : ERROR:  unterminated quoted string", 3},
    {true, "E'old rows\\'; where created < 5;", "Error : ERROR:  unterminated quoted string", 3},
    {true, "$$old rows; where created < 5;", "Error : ERROR:  unterminated dollar-quoted string", 3},
    {true, "$x$old rows; where created < 5;", "Error : ERROR:  unterminated dollar-quoted string", 3},
    {true, "\"old rows; where created < 5;", "Error : ERROR:  unterminated quoted identifier", 3},
    // SQLite runs the text before a comment left open (sqlite3 empties the
    // table here), so the statement is refused before it reaches the engine.
    {false, "/* old rows; where created < 5;",
     "Error : unterminated /* comment at the end of the source: the statement before it was not run\n", 3},
    // SQLite's comments do not nest: this one is closed, and the statement
    // runs whole, as sqlite3 runs it.
    {false, "/* old rows, see /* ticket 12 */ where created < 5;", "", 1},
    {false, "'old rows; where created < 5;", "Error : unrecognized token", 3},
    {false, "\"old rows; where created < 5;", "Error : unrecognized token", 3},
    {false, "[old rows; where created < 5;", "Error : unrecognized token", 3},
    {false, "`old rows; where created < 5;", "Error : unrecognized token", 3},
};

// A transaction block runs whole on one session: 100 blocks of begin, two
// inserts and commit keep all 200 rows in a pool's batches and with
// independent clients (pipelined too), from a script and replayed from a
// log; the report counts no failure and one unit per block.
TEST_P(SafeOnBothEngines, TransactionBlocksRunWholeInPoolsAndClients) {
  std::string script;
  for (int i = 0; i < 100; ++i) {
    script += "begin;\ninsert into safe_tx values (" + std::to_string(i) + ");\ninsert into safe_tx values (" +
              std::to_string(i) + ");\ncommit;\n";
  }
  write_file("tx.sql", script);
  ASSERT_EQ(std::system((std::string(TARNWICK_LOG_BINARY) + " " + path("tx.sql") + " " + path("tx.SQL.log.1") +
                         " 2>/dev/null").c_str()), 0);
  const std::vector<std::vector<std::string>> modes = {
      {"--sessions=4", "--statements=16"},
      {"--clients=4"},
      {"--clients=4", "--pipeline=8", "--sql=tx.SQL.log.1"},
  };
  for (const auto& mode : modes) {
    peer("drop table if exists safe_tx;\ncreate table safe_tx (id int);\n");
    std::vector<std::string> arguments = {"--silent", "--report"};
    arguments.insert(arguments.end(), mode.begin(), mode.end());
    const bool replay = mode.back().starts_with("--sql=");
    RunResult result = run(replay ? "" : script, arguments);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.err.find("400 run, 0 failed"), std::string::npos) << mode[0] << result.err;
    EXPECT_NE(result.err.find("units       100 "), std::string::npos) << mode[0] << result.err;
    EXPECT_EQ(peer("select count(*) from safe_tx;\n"), "200\n") << mode[0];
  }
}

TEST_P(SafeOnBothEngines, TextLeftOpenAtTheEndIsNeverCutAndRun) {
  for (const OpenEnd& open : kOpenEnds) {
    if (open.postgres != postgres()) continue;
    peer("drop table if exists safe_acct;\ncreate table safe_acct (id int, created int);\n"
         "insert into safe_acct values (1, 1), (2, 2), (3, 9);\n");
    RunResult result = run(std::string("delete from safe_acct ") + open.tail + "\n", {"--quiet"});
    EXPECT_EQ(result.exit_code, 0) << open.tail;
    EXPECT_TRUE(result.out.starts_with(open.error)) << open.tail << "\n" << result.out;
    if (*open.error == '\0') {
      EXPECT_EQ(result.out, "") << open.tail;
    }
    EXPECT_EQ(peer("select count(*) from safe_acct;"), std::to_string(open.rows_left) + "\n") << open.tail;
  }
}

// A script saved in UTF-8 with a byte-order mark: the mark is skipped, as
// psql skips it, so the first statement runs. With no code-page option the
// engine code page follows the locale: under UTF-8 the text is stored as
// written (as psql and sqlite3 store it); under the C locale it stays
// ISO-8859-1, each byte a character of its own.
struct LocaleCase {
  Variables environment;
  const char* postgres_octets;
  const char* sqlite_hex;
};

const LocaleCase kLocales[] = {
    {{{"LC_ALL", "C.UTF-8"}}, "5|6\n", "636166C3A9|E697A5E69CAC\n"},
    {{{"LC_ALL", nullptr}, {"LC_CTYPE", nullptr}, {"LANG", "C.UTF-8"}}, "5|6\n", "636166C3A9|E697A5E69CAC\n"},
    {{{"LC_ALL", "C"}}, "7|12\n", "636166C383C2A9|C3A6C297C2A5C3A6C29CC2AC\n"},
};

TEST_P(SafeOnBothEngines, AUtf8ScriptKeepsItsTextUnderAUtf8Locale) {
  for (const LocaleCase& locale : kLocales) {
    const auto& [variable, value] = locale.environment.back();
    const std::string name = std::string(variable) + "=" + value;
    peer("drop table if exists safe_text;\n");
    ScopedEnvironment environment(locale.environment);
    RunResult result = run(
        "\xEF\xBB\xBF"
        "create table safe_text (x text, y text);\ninsert into safe_text values ('café', '日本');\n",
        {"--quiet"});
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(result.err, "") << name;
    EXPECT_EQ(peer(postgres() ? "select octet_length(x), octet_length(y) from safe_text;\n"
                              : "select hex(x), hex(y) from safe_text;\n"),
              postgres() ? locale.postgres_octets : locale.sqlite_hex)
        << name;
  }
  // A query of UTF-8 text from standard input, with the text's length in
  // bytes as the engine saw it.
  ScopedEnvironment environment(kUtf8Locale);
  std::vector<std::string> arguments = engine();
  arguments.insert(arguments.end(), {"--quiet", "--raw"});
  RunResult result = run_tarnwick(arguments,
                                  postgres() ? "select '日本' as j, octet_length('日本') as n;\n"
                                             : "select '日本' as j, length(cast('日本' as blob)) as n;\n",
                                  dir_.string());
  EXPECT_EQ(result.out, "1 row(s)\n+-+-+\n|j|n|\n+-+-+\n|日本|6|\n");
  EXPECT_EQ(result.err, "");
}

// 2,000 rows, more than the table format's page and answers limit, a
// failing statement, and a query after it.
constexpr const char* kLongResult =
    "with recursive c(x) as (select 1 union all select x + 1 from c where x < 2000) select x from c;\n"
    "select nope;\nselect 'end' as last;\n";

std::string numbers_up_to(int count) {
  std::string text = "x\n";
  for (int i = 1; i <= count; ++i) text += std::to_string(i) + "\n";
  return text;
}

TEST_P(SafeOnBothEngines, MachineFormatsWriteEveryRowAndOnlyRows) {
  for (const char* format : {"csv", "tsv", "unaligned"}) {
    RunResult result = run(kLongResult, {std::string("--format=") + format});
    EXPECT_EQ(result.exit_code, 0) << format;
    EXPECT_TRUE(morvane::testing::SameBytes(result.out, numbers_up_to(2000) + "last\nend\n")) << format;
    EXPECT_TRUE(result.err.starts_with("Error : ")) << format << ": " << result.err;
    EXPECT_NE(result.err.find("nope"), std::string::npos) << format << ": " << result.err;
  }
  if (postgres()) {
    RunResult result = run(kLongResult, {"--format=csv"});
    EXPECT_TRUE(morvane::testing::SameBytes(result.out, output_of(psql() + " -q --csv -f " + path("s.sql") +
                                                                  " 2>/dev/null")));
  }
  // A page size given on the command line still limits.
  RunResult paged = run(kLongResult, {"--format=csv", "--page-size=5"});
  EXPECT_EQ(paged.out, numbers_up_to(5) + "last\nend\n");

  // A pool's results name their columns in the header.
  RunResult pool = run("select 1 as a, 2 as b;\nselect 3 as c;\n", {"--format=csv", "--sessions=2", "--statements=2"});
  EXPECT_EQ(pool.out, "a,b\n1,2\nc\n3\n");
  EXPECT_EQ(pool.err, "");
}

// In the table format a pool shows a failed entry as a -1 count; the
// machine formats write no counts, so the failure must be named on
// standard error, or the run looks clean.
TEST_P(SafeOnBothEngines, APoolRunInAMachineFormatNamesAFailedEntry) {
  RunResult result = run("select 1 as a;\nselect nope;\nselect 2 as b;\n",
                         {"--format=csv", "--sessions=2", "--statements=2"});
  EXPECT_EQ(result.out, "a\n1\nb\n2\n");
  EXPECT_TRUE(result.err.starts_with("Error : ")) << result.err;
  EXPECT_NE(result.err.find("nope"), std::string::npos) << result.err;
}

TEST_P(SafeOnPostgres, ACommitAnsweredWithRollbackIsAFailure) {
  peer("drop table if exists safe_keys;\ncreate table safe_keys (id int primary key);\n");
  for (std::string end : {"commit", "end"}) {
    RunResult result = run("begin;\ninsert into safe_keys values (1);\ninsert into safe_keys values (1);\n" + end +
                               ";\n",
                           {"--quiet", "--report"});
    std::string word = end == "commit" ? "COMMIT" : "END";
    EXPECT_NE(result.out.find("\nError : ERROR:  the transaction was rolled back: " + word +
                              " was answered with ROLLBACK"),
              std::string::npos)
        << result.out;
    // The duplicate key and the COMMIT: both count, and so the exit code.
    EXPECT_NE(result.err.find("statements  4: 2 run, 2 failed, 0 skipped"), std::string::npos) << result.err;
    EXPECT_EQ(result.exit_code, 4);
    EXPECT_EQ(peer("select count(*) from safe_keys;\n"), "0\n");
  }
}

// --debug reopens the connection after a statement other than a query
// fails; inside a transaction that throws the transaction away, and the
// statements after it would commit on their own, so it is said.
TEST_P(SafeOnBothEngines, TheDebugReopenSaysWhenItThrowsATransactionAway) {
  struct Case {
    const char* script;
    bool warned;
  };
  const Case cases[] = {
      {"begin;\ninsert into safe_debug values (1);\ninsert into safe_debug values (1);\ncommit;\n", true},
      {"insert into safe_debug values (2);\ninsert into safe_debug values (2);\n", false},
      {"begin;\ninsert into safe_debug values (3);\nselect nope;\ncommit;\n", false},  // a query: no reopen
  };
  const std::string warning =
      "Warning : the open transaction was rolled back: --debug reopens the connection after a failed statement\n";
  for (const Case& c : cases) {
    peer("drop table if exists safe_debug;\ncreate table safe_debug (id int primary key);\n");
    RunResult result = run(c.script, {"--quiet", "--debug"});
    EXPECT_EQ(result.err.find(warning) != std::string::npos, c.warned) << c.script << "\n" << result.err;
  }
}

// SQLite's total count of changes includes the rows that triggers write;
// a statement's count is its own rows, as sqlite3's changes() has it, alone
// and in a pool.
TEST_P(SafeOnSqlite, AffectedRowsAreTheStatementsOwnNotItsTriggers) {
  const char* script =
      "create table t (x int);\ncreate table audit (x int);\n"
      "create trigger t_in after insert on t begin insert into audit values (new.x); "
      "insert into audit values (-new.x); end;\n"
      "create trigger t_out after delete on t begin insert into audit values (old.x); end;\n"
      "insert into t values (1), (2), (3);\nupdate t set x = x + 1;\ndelete from t where x > 2;\n";
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{}, std::vector<std::string>{"--sessions=1", "--statements=3"}}) {
    std::filesystem::remove(path("test.db"));
    RunResult result = run(script, mode);
    EXPECT_EQ(result.out,
              "type quit; to exit.\n0 row affected\n0 row affected\n0 row affected\n0 row affected\n"
              "3 rows affected\n3 rows affected\n2 rows affected\n")
        << mode.size();
  }
}

// Statements are cut where psql cuts them, and give what psql gives: a ';'
// inside parentheses ends nothing, and with standard_conforming_strings off
// a backslash escapes the quote in a plain string.
// A read-only run (the default) cannot be made to write by what its script
// sends: every way of lifting the session's read-only default that was
// found to work is refused, in a script and in a replay of it, and the
// database stays as it was; a pg_dumpall file creates no role.
TEST_P(SafeOnPostgres, AReadOnlyRunCannotBeMadeToWrite) {
  peer("drop table if exists ro_t; create table ro_t (i int); drop role if exists ro_dumped_role;");
  const char* lifts[] = {
      "set default_transaction_read_only = off;\ninsert into ro_t values (1);",
      "SET SESSION default_transaction_read_only TO false;\ninsert into ro_t values (1);",
      "begin read write;\ninsert into ro_t values (1);\ncommit;",
      "start transaction read write;\ninsert into ro_t values (1);\ncommit;",
      "set session characteristics as transaction read write;\ninsert into ro_t values (1);",
      "select set_config('default_transaction_read_only', 'off', false);\ninsert into ro_t values (1);",
      "begin;\nselect set_config('transaction_read_only', 'off', true);\ninsert into ro_t values (1);\ncommit;",
      "do $$ begin perform set_config('default_transaction_read_only', 'off', false); end $$;\n"
      "insert into ro_t values (1);",
      // The head of a pg_dumpall --roles-only file.
      "SET default_transaction_read_only = off;\nSET client_encoding = 'UTF8';\n"
      "CREATE ROLE ro_dumped_role;\nALTER ROLE ro_dumped_role WITH NOSUPERUSER NOLOGIN;",
  };
  for (const char* script : lifts) {
    RunResult result = run(script, {"--mode=r"});
    EXPECT_NE(result.out.find("Error : refused: the session is read-only"), std::string::npos) << script << result.out;
    ASSERT_EQ(std::system((std::string(TARNWICK_LOG_BINARY) + " " + path("s.sql") + " " + path("s.SQL.log.1") +
                           " >/dev/null 2>&1").c_str()),
              0);
    run("", {"--mode=r", "--sql=" + path("s.SQL.log.1")});
  }
  EXPECT_EQ(peer("select count(*) from ro_t; select count(*) from pg_roles where rolname = 'ro_dumped_role';"),
            "0\n0\n");
  // Reading the setting is no lifting, and --mode=w writes as asked.
  EXPECT_EQ(run("show default_transaction_read_only;", {"--mode=r"}).out.find("Error"), std::string::npos);
  run("insert into ro_t values (2);");
  EXPECT_EQ(peer("select count(*) from ro_t;"), "1\n");
}

TEST_P(SafeOnPostgres, StatementsAreCutWherePsqlCutsThem) {
  RunResult result = run(
      "drop table if exists safe_rule_t, safe_rule_u, safe_rule_v;\n"
      "create table safe_rule_t (id int);\ncreate table safe_rule_u (id int);\ncreate table safe_rule_v (id int);\n"
      "insert into safe_rule_t values (1), (2);\ninsert into safe_rule_u values (1), (2);\n"
      "insert into safe_rule_v values (1), (2);\n"
      "create rule safe_rule as on delete to safe_rule_t do instead\n"
      "  (delete from safe_rule_u where id = old.id; delete from safe_rule_v where id = old.id);\n"
      "delete from safe_rule_t where id = 1;\n"
      "select (select count(*) from safe_rule_t) as t, (select count(*) from safe_rule_u) as u,\n"
      "  (select count(*) from safe_rule_v) as v;\n"
      "set standard_conforming_strings = off;\nselect 'it\\'s;' as s;\n"
      "reset standard_conforming_strings;\nselect 'a\\' as b;\n",
      {"--format=unaligned"});
  EXPECT_EQ(result.out, "t|u|v\n2|1|1\ns\nit's;\nb\na\\\n");
  EXPECT_EQ(result.out, output_of(psql() + " -q -A -P footer=off -f " + path("s.sql") + " 2>/dev/null"));
}

// The server puts standard_conforming_strings back when a transaction
// that set it ends (SET LOCAL at COMMIT, SET at ROLLBACK) and at DISCARD
// ALL; psql follows what the server reports after every statement, so the
// backslash after it is a plain character again.
TEST_P(SafeOnPostgres, TheReaderFollowsTheStringSettingWhenTheServerPutsItBack) {
  for (const char* reverted : {"begin;\nset local standard_conforming_strings = off;\ncommit;\n",
                               "begin;\nset standard_conforming_strings = off;\nrollback;\n",
                               "set standard_conforming_strings = off;\ndiscard all;\n"}) {
    RunResult result = run(std::string(reverted) + "select 'a\\' as b;\nselect 2 as two;\n", {"--format=unaligned"});
    EXPECT_EQ(result.out, "b\na\\\ntwo\n2\n") << reverted;
    EXPECT_EQ(result.out, output_of(psql() + " -q -A -P footer=off -f " + path("s.sql") + " 2>/dev/null"));
    EXPECT_EQ(result.err, "") << reverted;
  }
}

// The dumped databases: the corpus's (a sequence, a trigger function with
// a dollar-quoted body and its trigger, a view, an array column, UTF-8 and
// awkward text), with more UTF-8 and, on PostgreSQL, a bytea column.
const std::string kCorpus = TARNWICK_CORPUS_DIR;
constexpr const char* kMorePostgresSource =
    "create table files (name text primary key, data bytea, words text[]);\n"
    "insert into files values ('日本.bin', '\\x00ff5c27', '{café,\"日本; x\"}'), ('empty', '', '{}');\n";
constexpr const char* kMoreSqliteSource = "insert into \"order items\" values (4, '日本茶', 9, 'café; ok');\n";

class PgDumpRoundTrip : public SafeOnPostgres {
 protected:
  void make_source(const std::string& database) {
    peer("drop database if exists " + database + ";\ncreate database " + database + " template template0;\n");
    output_of(psql(database) + " -q -f " + kCorpus + "/build_pg_dump_source.sql");
    peer(kMorePostgresSource, database);
    ASSERT_EQ(peer("select count(*) from files;\n", database), "2\n");
  }
};

// A plain pg_dump, loaded by tarnwick into a fresh database with the
// default code page under a UTF-8 locale, dumps the same again.
TEST_P(PgDumpRoundTrip, APlainDumpLoadsIntoAFreshDatabaseAndDumpsTheSame) {
  make_source("safe_dump_source");
  std::string dump = pg_dump("-d safe_dump_source");
  write_file("dump.sql", dump);
  peer("drop database if exists safe_dump_copy;\ncreate database safe_dump_copy template template0;\n");
  {
    ScopedEnvironment environment(kUtf8Locale);
    RunResult result = run_tarnwick(
        {engine("safe_dump_copy")[0], "--mode=w", "--quiet", "--sql=dump.sql"}, "", dir_.string());
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out.find("Error"), std::string::npos) << result.out;
  }
  EXPECT_EQ(without_restrict_lines(pg_dump("-d safe_dump_copy")), without_restrict_lines(dump));
  peer("drop database safe_dump_source;\ndrop database safe_dump_copy;\n");
}

// pg_dump -C creates the database and moves to it with \connect, which
// tarnwick follows.
TEST_P(PgDumpRoundTrip, ADumpWithCreateDatabaseLoadsThroughItsConnectLine) {
  make_source("safe_dump_created");
  std::string dump = pg_dump("-C -d safe_dump_created");
  ASSERT_NE(dump.find("\n\\connect safe_dump_created\n"), std::string::npos);
  write_file("dump.sql", dump);
  peer("drop database safe_dump_created;\n");
  {
    ScopedEnvironment environment(kUtf8Locale);
    RunResult result = run_tarnwick({"--host=" + server_.host, "--port=" + server_.port, "--user=" + server_.user,
                                     "--mode=w", "--quiet", "--sql=dump.sql"},
                                    "", dir_.string());
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out.find("Error"), std::string::npos) << result.out;
  }
  EXPECT_EQ(without_restrict_lines(pg_dump("-C -d safe_dump_created")), without_restrict_lines(dump));
  peer("drop database if exists safe_dump_created;\n");
}

// sqlite3's .dump, loaded by tarnwick into a new file with the default code
// page under a UTF-8 locale, dumps the same again.
TEST_P(SafeOnSqlite, ASqliteDumpLoadsIntoANewFileAndDumpsTheSame) {
  output_of("sqlite3 -batch " + path("source.db") + " < " + kCorpus + "/build_sqlite_dump_source.sql");
  write_file("more.sql", kMoreSqliteSource);
  output_of("sqlite3 -batch " + path("source.db") + " < " + path("more.sql"));
  std::string dump = output_of("sqlite3 " + path("source.db") + " .dump");
  ASSERT_NE(dump.find("日本茶"), std::string::npos) << dump;
  write_file("dump.sql", dump);
  ScopedEnvironment environment(kUtf8Locale);
  RunResult result =
      run_tarnwick({"--host=sqlite:" + path("copy.db"), "--mode=w", "--quiet", "--sql=dump.sql"}, "", dir_.string());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(output_of("sqlite3 " + path("copy.db") + " .dump"), dump);
}

auto engine_name = [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "PostgreSQL" : "SQLite"; };
INSTANTIATE_TEST_SUITE_P(Engines, SafeOnBothEngines, ::testing::Values(false, true), engine_name);
INSTANTIATE_TEST_SUITE_P(Engine, SafeOnPostgres, ::testing::Values(true), engine_name);
INSTANTIATE_TEST_SUITE_P(Engine, PgDumpRoundTrip, ::testing::Values(true), engine_name);
INSTANTIATE_TEST_SUITE_P(Engine, SafeOnSqlite, ::testing::Values(false), engine_name);

}  // namespace
}  // namespace tarnwick::e2e
