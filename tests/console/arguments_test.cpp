#include "console/arguments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "runtime/run_settings.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

class ArgumentsTest : public testing::ConsoleTest {
 protected:
  ParseResult parse(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv = {"tarnwick"};
    argv.insert(argv.end(), arguments);
    return parse_arguments(static_cast<int>(argv.size()), argv.data());
  }

  std::vector<std::string> inputs() const {
    std::vector<std::string> names;
    for (const auto& entry : settings.sql_inputs) names.emplace_back(entry.narrow(0));
    return names;
  }
};

constexpr const char* kUsage =
    "Usage : Tarnwick [--host=<host>] [--port=<port>] [--user=<user>] [--mode=r|w] [--quiet] "
    "[--verboze] [--raw] [--help] [--timeout=value in seconds] [--sessions=value] "
    "[--statements=value]\n";
constexpr const char* kBanner = "Tarnwick release 6.1.5(Apr  5 2011) [revision #5367]\n";

TEST_F(ArgumentsTest, NoArgumentsLeaveTheDefaults) {
  EXPECT_EQ(parse({}), ParseResult::go_on);
  EXPECT_STREQ(settings.host.narrow(0), "127.0.0.1");
  EXPECT_STREQ(settings.port.narrow(0), "8088");
  EXPECT_STREQ(settings.user.narrow(0), "Tarnwick");
  EXPECT_TRUE(settings.read_only);
  EXPECT_EQ(settings.statement_limit, -1);
  EXPECT_EQ(settings.page_size, 20);
  EXPECT_EQ(settings.answers_limit, 1024);
  EXPECT_EQ(settings.default_language, "English");
  EXPECT_TRUE(settings.connect_disconnect);
  EXPECT_TRUE(settings.sql_inputs.empty());
  EXPECT_EQ(output(), "");
}

TEST_F(ArgumentsTest, HelpGoesOnAndVersionStops) {
  EXPECT_EQ(parse({"--help", "--version", "--raw"}), ParseResult::version_shown);
  EXPECT_FALSE(settings.raw);  // nothing after --version is parsed
  EXPECT_EQ(output(), std::string(kUsage) + kBanner);
}

// --help alone lists every option of the table on a line of its own,
// after the usage line, and stops the run; among others it does not.
TEST_F(ArgumentsTest, HelpAloneListsEveryOptionOfTheTable) {
  EXPECT_EQ(parse({"--help"}), ParseResult::help_shown);
  const std::string help = output();
  ASSERT_EQ(help.rfind(kUsage, 0), 0u) << help;
  for (const std::string& option : option_texts()) {
    const std::string line = "\n  " + option + (option.back() == '=' ? "" : " ");
    EXPECT_NE(help.find(line), std::string::npos) << option << " is missing from:\n" << help;
  }
  EXPECT_EQ(help.find("Warning"), std::string::npos);
}

// psql's -c, -d and -f: the value in the argument or the next one; -c and
// --command= sources keep their place among --sql= ones; an empty command
// or a short option at the end is warned about and nothing is added.
TEST_F(ArgumentsTest, PsqlStyleSourcesAndDatabase) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(parse({"-c", "select 1", "--sql=a.sql", "--command=select 2", "-fb.sql", "-d", "app", "-c", "",
                   "-c"}),
            ParseResult::go_on);
  EXPECT_EQ(inputs(), (std::vector<std::string>{"-c", "a.sql", "-c", "b.sql"}));
  EXPECT_EQ(settings.commands, (std::map<size_t, std::string>{{0, "select 1"}, {2, "select 2"}}));
  EXPECT_EQ(settings.database, "app");
  EXPECT_FALSE(settings.host_given || settings.port_given || settings.user_given);
  parse({"--dbname=other", "--host=h", "--port=1", "--user=u"});
  EXPECT_EQ(settings.database, "other");
  EXPECT_TRUE(settings.host_given && settings.port_given && settings.user_given);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning : ignoring -c: no SQL given; nothing is run\n"
            "Warning : ignoring -c: it takes a value\n");
  EXPECT_EQ(output(), "");
}

TEST_F(ArgumentsTest, VersionFirstPrintsOnlyTheBanner) {
  EXPECT_EQ(parse({"--version", "--help"}), ParseResult::version_shown);
  EXPECT_EQ(output(), kBanner);
}

// Numbers are whole numbers in their range: trailing text, exponents,
// negative values and overflow are warned about and the option keeps its
// value; 0 keeps each option's meaning of "none" or "the default".
TEST_F(ArgumentsTest, NumbersAreWholeNumbersOrWarnedAbout) {
  parse({"--limit=0", "--page-size=0", "--answers-limit=0", "--timeout=0"});
  EXPECT_EQ(settings.statement_limit, -1);
  EXPECT_EQ(settings.page_size, 20);
  EXPECT_EQ(settings.answers_limit, 1024);
  parse({"--limit=7", "--page-size=5", "--answers-limit= 9", "--timeout=3", "--statements=4", "--sessions=2",
         "--start-at=2026-12-08T14:00:00Z"});
  EXPECT_EQ(settings.start_at, 1796738400.0);
  ::testing::internal::CaptureStderr();
  // A start a year or an age away would wait without end in sight.
  parse({"--start-at=1e20", "--start-at=2999-01-01T00:00:00Z"});
  EXPECT_EQ(settings.start_at, 1796738400.0);
  for (const char* bad : {"abc", "5x", "5e1", "-3", "99999999999"}) {
    const std::string v(bad);
    const std::vector<std::string> options = {"--limit=" + v, "--page-size=" + v, "--answers-limit=" + v,
                                              "--timeout=" + v, "--statements=" + v + "x", "--sessions=" + v + "x"};
    std::vector<const char*> argv = {"tarnwick"};
    for (const std::string& option : options) argv.push_back(option.c_str());
    parse_arguments(static_cast<int>(argv.size()), argv.data());
  }
  EXPECT_EQ(settings.statement_limit, 7);
  EXPECT_EQ(settings.page_size, 5);
  EXPECT_EQ(settings.answers_limit, 9);
  EXPECT_EQ(settings.timeout, 3);
  EXPECT_EQ(settings.statements, 4);
  EXPECT_EQ(settings.sessions, 2);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Warning : ignoring --start-at=1e20: the time is more than a week away"), std::string::npos);
  for (const char* bad : {"abc", "5x", "5e1", "-3", "99999999999"}) {
    for (const char* warning : {"--limit=%s: the limit is a whole number of statements, 0 for none",
                                "--page-size=%s: a whole number from 0", "--timeout=%s: the timeout is a whole",
                                "--statements=%sx: statements are a whole number"}) {
      char expected[160];
      std::snprintf(expected, sizeof expected, warning, bad);
      EXPECT_NE(said.find(std::string("Warning : ignoring ") + expected), std::string::npos) << expected;
    }
  }
}

TEST_F(ArgumentsTest, SessionsAndStatementsBelowOneAreTakenAsOneWithAWarning) {
  parse({"--sessions=0", "--statements=-3"});
  EXPECT_EQ(settings.sessions, 1);
  EXPECT_EQ(settings.statements, 1);
  EXPECT_EQ(output(),
            "Warning : sessions below 1, taken as 1\nWarning : statements below 1, taken as 1\n");
}

TEST_F(ArgumentsTest, ExactOptionsRejectTrailingTextAndCase) {
  parse({"--verbose", "--mode=R", "--rawx", "--quiet"});
  EXPECT_FALSE(settings.verbose);
  EXPECT_TRUE(settings.read_only);
  EXPECT_TRUE(settings.quiet);
  EXPECT_EQ(output(),
            "Warning : unrecognized argument --verbose\n"
            "Warning : unrecognized argument --mode=R\n"
            "Warning : unrecognized argument --rawx\n");
}

TEST_F(ArgumentsTest, SilentAndVerbozeOverrideEachOtherInOrder) {
  parse({"--verboze", "--silent"});
  EXPECT_FALSE(settings.verbose);
  EXPECT_TRUE(settings.quiet);
  EXPECT_TRUE(settings.suppress_results);
  parse({"--verboze"});
  EXPECT_TRUE(settings.verbose);
}

TEST_F(ArgumentsTest, SwitchesAndTexts) {
  parse({"--mode=w", "--debug", "--raw", "--ignore-create", "--ignore-select",
         "--ignore-delete", "--ignore-switch", "--ignore-backup", "--ignore-execute",
         "--ignore-transaction", "--immediate-is-simple-commit", "--no-disconnect-connect",
         "--host=sqlite::memory:", "--port=5432", "--user=ann", "--default-language=Deutsch",
         "--sessions=4", "--statements=8"});
  EXPECT_FALSE(settings.read_only);
  EXPECT_TRUE(settings.debug && settings.raw && settings.ignore_create && settings.ignore_select &&
              settings.ignore_delete && settings.ignore_switch && settings.ignore_backup &&
              settings.ignore_execute && settings.ignore_transaction &&
              settings.immediate_is_simple_commit);
  EXPECT_FALSE(settings.connect_disconnect);
  EXPECT_STREQ(settings.host.narrow(0), "sqlite::memory:");
  EXPECT_STREQ(settings.port.narrow(0), "5432");
  EXPECT_STREQ(settings.user.narrow(0), "ann");
  EXPECT_EQ(settings.default_language, "Deutsch");
  EXPECT_EQ(settings.sessions, 4);
  EXPECT_EQ(settings.statements, 8);
}

TEST_F(ArgumentsTest, TextsPassThroughByteForByte) {
  parse({"--user=J\xe9r\xf4me"});
  EXPECT_STREQ(settings.user.narrow(0), "J\xe9r\xf4me");
}

TEST_F(ArgumentsTest, CodePagesByNameLastOneWins) {
  parse({"--code-page=UTF-8"});
  EXPECT_EQ(settings.code_page, morvane::codepage_utf8);
  parse({"--charset=latin1"});
  EXPECT_EQ(settings.code_page, morvane::codepage_latin1);
  parse({"--utf8", "--default-charset=cp1252"});
  EXPECT_EQ(settings.code_page, morvane::codepage_latin1);
  parse({"--utf-8"});
  EXPECT_EQ(settings.code_page, morvane::codepage_utf8);
  EXPECT_EQ(output(), "Invalid code page, defaulting to iso-8859-1\n");
}

TEST_F(ArgumentsTest, SqlListsAreCutAtCommasAndSemicolonsAndAccumulate) {
  parse({"--sql=a.sql;b.sql,-", "--sql=a,,b", "--sql=c,", "--sql="});
  EXPECT_EQ(inputs(), (std::vector<std::string>{"a.sql", "b.sql", "-", "a", "", "b", "c"}));
}

TEST_F(ArgumentsTest, FormatAndOnErrorTakeKnownValuesAndWarnOnOthers) {
  EXPECT_EQ(settings.format, OutputFormat::table);
  EXPECT_FALSE(settings.stop_on_error);
  parse({"--format=csv", "--on-error=stop"});
  EXPECT_EQ(settings.format, OutputFormat::csv);
  EXPECT_TRUE(settings.stop_on_error);
  parse({"--format=tsv"});
  EXPECT_EQ(settings.format, OutputFormat::tsv);
  parse({"--format=unaligned", "--on-error=continue"});
  EXPECT_EQ(settings.format, OutputFormat::unaligned);
  EXPECT_FALSE(settings.stop_on_error);
  // A bad value warns as an unknown argument does and gives the default.
  parse({"--on-error=stop", "--format=CSV", "--on-error=", "--format"});
  EXPECT_EQ(settings.format, OutputFormat::table);
  EXPECT_FALSE(settings.stop_on_error);
  EXPECT_EQ(output(),
            "Warning : unrecognized argument --format=CSV\n"
            "Warning : unrecognized argument --on-error=\n"
            "Warning : unrecognized argument --format\n");
}

// The load-run options take a whole value within bounds or keep their
// default, with a warning on standard error; standard output stays empty.
TEST_F(ArgumentsTest, LoadRunOptionsWarnAboutBadValuesAndKeepTheirDefaults) {
  ::testing::internal::CaptureStderr();
  parse({"--rate=0", "--rate=-5", "--rate=abc", "--rate=5x", "--rate=1e99", "--rate=inf", "--rate=nan", "--rate="});
  std::string warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(settings.rate, 0.0);
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 8) << warnings;
  EXPECT_NE(warnings.find("Warning : ignoring --rate=abc: the rate is a number of statements per second above 0"),
            std::string::npos)
      << warnings;

  ::testing::internal::CaptureStderr();
  parse({"--progress=-1", "--progress=abc", "--progress=99999999", "--progress=2.5", "--late=0", "--late=x",
         "--report="});
  warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 7) << warnings;
  EXPECT_EQ(settings.progress_seconds, -1);
  EXPECT_EQ(settings.late_ms, 1000);
  EXPECT_TRUE(settings.report);
  EXPECT_EQ(settings.report_path, "") << "a bare --report= reports on standard error";

  ::testing::internal::CaptureStderr();
  parse({"--rate=250.5", "--progress=0", "--late=20", "--report=-"});
  warnings = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(settings.rate, 250.5);
  EXPECT_EQ(settings.progress_seconds, 0);
  EXPECT_EQ(settings.late_ms, 20);
  EXPECT_EQ(settings.report_path, "") << "standard output carries results without --silent";
  EXPECT_EQ(warnings, "Warning : --report=- needs --silent; the report goes to standard error\n");

  ::testing::internal::CaptureStderr();
  parse({"--silent", "--report=-", "--report=out.json", "--report"});
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(settings.report_path, "") << "the last --report wins";
  EXPECT_EQ(output(), "");
}

}  // namespace
}  // namespace tarnwick
