#include "console/statement_loop.h"

#include <strings.h>

#include <chrono>
#include <memory>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/commands.h"
#include "console/describe.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/runner.h"
#include "statements/input_source.h"
#include "statements/statement_text.h"
#include "terminal/interrupts.h"
#include "terminal/prompt.h"

namespace tarnwick {

Next settle(const Outcome& outcome, RunEnd* end) {
  if (outcome.code == QL_ERR_EMPTY) {
    // An empty statement (";;") keeps its line but is no failure: psql and
    // the sqlite3 shell run past it under ON_ERROR_STOP and -bail.
    if (!outcome.shown) report_error();
    return outcome.next;
  }
  if (outcome.failed()) {
    if (outcome.code == QL_ERR_LOST) run_state.lost_connection = true;
    // A batch's failures show as -1 counts; a run that stops on the first
    // error names it, with the message of the batch's first failing entry.
    // The machine formats have named each failed entry already.
    bool named = outcome.shown && settings.format != OutputFormat::table;
    if (outcome.after_data) {
      client_error.text[sizeof client_error.text - 1] = '\0';
      error_line("Error : ", client_error.text);
    } else if (!outcome.shown || (run_state.stop_on_error && !named)) {
      report_error();
    }
    if (outcome.reopen) {
      // The reopen cannot keep a transaction: the statements after it would
      // commit on their own, so it is said.
      if (ql_in_transaction(connection, nullptr) == 1) {
        error_line("Warning : the open transaction was rolled back: --debug reopens the connection "
                   "after a failed statement");
      }
      reconnect(&connection);
    }
    // At a terminal an error never ends the session (as in psql); the user
    // is there to type the next statement.
    if (run_state.stop_on_error && !input_is_console) {
      *end = RunEnd::error_stop;
      return Next::end_run;
    }
  }
  if (outcome.next == Next::end_run) *end = outcome.end;
  return outcome.next;
}

namespace {

// SQLite takes a block comment left open at the end of a text as running
// to its end, so it would run the text before the comment: a statement cut
// short ("delete from t /* ... where ..."). It is refused instead; on
// PostgreSQL the server itself rejects the open comment.
bool ends_in_open_comment_on_sqlite(const Statement& statement) {
  return statement.last && statement.open == OpenText::comment &&
         dialect_of_host(settings.host.narrow(0)) == Dialect::sqlite;
}

bool blank_before(const Statement& statement, size_t end) {
  for (size_t i = 0; i < end; ++i) {
    if (!is_blank(statement.text[i])) return false;
  }
  return true;
}

// A failure found before anything reached the engine: its message goes
// where the engine's would, through settle.
Outcome refuse(const std::string& message, int32_t code = QL_ERR_ENGINE) {
  client_error.code = code;
  std::snprintf(client_error.text, sizeof client_error.text, "%s", message.c_str());
  Outcome outcome;
  outcome.code = code;
  return outcome;
}

// With standard_conforming_strings off, PostgreSQL reads a backslash in a
// plain '...' string as an escape, and so must the reader to find where the
// string ends, as psql does from the same report of the server. Asked after
// every statement: the server also puts it back by itself (at COMMIT,
// ROLLBACK, DISCARD, or a function's set_config), and the answer comes from
// what libpq already holds, with no round trip.
void follow_string_setting(StatementReader& reader) {
  if (dialect_of_host(settings.host.narrow(0)) != Dialect::postgres) return;
  char* value = ql_parameter_status(connection, "standard_conforming_strings", nullptr);
  reader.set_backslash_quotes(value != nullptr && std::strcmp(value, "off") == 0);
  ql_mfree(value);
}

// Runs one statement of a text source, with Ctrl-C able to cancel it.
Outcome run_one(const Statement& statement) {
  if (ends_in_open_comment_on_sqlite(statement)) {
    // Nothing but the comment: nothing to run, as when it is closed.
    if (blank_before(statement, statement.open_at)) return Outcome();
    return refuse("unterminated /* comment at the end of the source: the statement before it was not run");
  }
  set_cancel_target(connection);
  Outcome outcome = interpret(statement.text, &connection);
  set_cancel_target(0);
  return outcome;
}

// When a statement started, for \timing (steady clock, nanoseconds).
int64_t now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Under \timing on, the time of the statement that started at `started`,
// as psql writes it: on standard output at a terminal, on standard error in
// scripts, so that a script's results stay as they were.
void show_time(int64_t started) {
  if (!run_state.timing) return;
  char text[64];
  std::snprintf(text, sizeof text, "Time: %.3f ms", static_cast<double>(now_ns() - started) / 1e6);
  if (input_is_console && output_is_console) {
    out_text(text);
    end_line();
    end_statement_output();
  } else {
    error_line(text);
  }
}

// The transaction block of the connection, for the prompt.
Transaction transaction_of(ql_handle handle) {
  switch (ql_transaction_state(handle, nullptr)) {
    case 1: return Transaction::open;
    case 2: return Transaction::failed;
    default: return Transaction::none;
  }
}

// Another client's command (a "\" or "." line) that this program does not
// act on.
void skip_client_command(const StatementReader& reader, const Statement& command) {
  std::string where = "' line " + std::to_string(command.line) + ": ";
  error_line("Skipping client command in '", reader.source_name(), (where + command.text).c_str());
}

// The words of a client command line: blanks part them, and '...' or
// "..." hold blanks (the quotes go, a doubled quote stays one).
std::vector<std::string> command_words(const char* text) {
  std::vector<std::string> words;
  for (const char* at = text; *at != '\0';) {
    while (is_blank(*at)) ++at;
    if (*at == '\0') break;
    std::string word;
    while (*at != '\0' && !is_blank(*at)) {
      char quote = *at;
      if (quote != '\'' && quote != '"') {
        word += *at++;
        continue;
      }
      for (++at; *at != '\0'; ++at) {
        if (*at == quote) {
          if (at[1] != quote) break;
          ++at;
        }
        word += *at;
      }
      if (*at == quote) ++at;
    }
    words.push_back(word);
  }
  return words;
}

// psql's and the sqlite3 shell's spellings of on and off; -1 for neither.
int switch_value(const std::string& word) {
  for (const char* on : {"on", "true", "1", "yes"}) {
    if (strcasecmp(word.c_str(), on) == 0) return 1;
  }
  for (const char* off : {"off", "false", "0", "no"}) {
    if (strcasecmp(word.c_str(), off) == 0) return 0;
  }
  return -1;
}

// The database a "\connect" names: its first argument that is not an
// option, or the dbname of a connection string there (pg_dump -C writes
// \connect -reuse-previous=on "dbname='name'"). Empty when it names none.
std::string connect_database(const std::vector<std::string>& words) {
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.rfind("-reuse-previous", 0) == 0) continue;
    if (word == "-") return "";
    size_t key = word.find("dbname=");
    if (key == std::string::npos) return word;
    std::vector<std::string> parts = command_words(word.c_str() + key + 7);
    return parts.empty() ? "" : parts[0];
  }
  return "";
}

constexpr int kMostNestedFiles = 32;
int nested_files = 0;  // files run by \i or .read inside one another (main thread)

// A client command given a value it does not take.
Outcome failed_with(const std::string& message) { return refuse(message, QL_ERR_ARGUMENT); }

Outcome include_file(StatementReader& reader, const std::string& name, bool relative, RunEnd* end);

// The other clients' commands that change what a script does are honoured:
// \q, .quit and .exit end the source; \connect opens a session on the
// database it names; \set ON_ERROR_STOP and .bail set --on-error; \i, \ir
// and .read run a file in place; \timing (on, off, or alone to switch) and
// .timer on|off time each statement; \pset pager (on, off, or alone to
// switch) says whether long results go through the pager. Every other one
// is skipped with a note.
Outcome client_command(StatementReader& reader, const Statement& command, RunEnd* end) {
  std::vector<std::string> words = command_words(command.text);
  const std::string verb = words.empty() ? "" : words[0];
  auto is = [&](std::initializer_list<const char*> names) {
    for (const char* name : names) {
      if (verb == name) return true;
    }
    return false;
  };
  Outcome outcome;
  if (is({"\\q", "\\quit", ".quit", ".exit"})) {
    outcome.next = Next::end_source;
  } else if (is({"\\set"}) && words.size() >= 2 && words[1] == "ON_ERROR_STOP") {
    int value = words.size() >= 3 ? switch_value(words[2]) : -1;
    if (value < 0) return failed_with("\\set ON_ERROR_STOP takes on or off");
    run_state.stop_on_error = value == 1;
  } else if (is({"\\timing"}) || (is({".timer"}) && words.size() >= 2)) {
    int value = words.size() >= 2 ? switch_value(words[1]) : !run_state.timing;
    if (value < 0) return failed_with(verb + " takes on or off");
    run_state.timing = value == 1;
    if (input_is_console && output_is_console) {
      out_text(run_state.timing ? "Timing is on." : "Timing is off.");
      end_line();
      end_statement_output();
    }
  } else if (is({"\\pset"}) && words.size() >= 2 && words[1] == "pager") {
    int value = words.size() >= 3 ? switch_value(words[2]) : !run_state.pager;
    if (value < 0) return failed_with("\\pset pager takes on or off");
    run_state.pager = value == 1;
    if (input_is_console && output_is_console) {
      out_text(run_state.pager ? "Pager is used for long output." : "Pager usage is off.");
      end_line();
      end_statement_output();
    }
  } else if (is({".bail"}) && words.size() >= 2) {
    int value = switch_value(words[1]);
    if (value < 0) return failed_with(".bail takes on or off");
    run_state.stop_on_error = value == 1;
  } else if (is({"\\c", "\\connect"}) && dialect_of_host(settings.host.narrow(0)) == Dialect::postgres) {
    // What is pending goes to the database it was meant for.
    outcome = runner().flush();
    if (outcome.failed() && run_state.stop_on_error) return outcome;
    run_state.database = connect_database(words);
    reconnect(&connection);
    if (client_error.code != 0) {
      Outcome failed;
      failed.code = client_error.code;
      outcome.merge(failed);
    }
  } else if (describe(words, &outcome)) {
    // \d and its family, .tables, .schema, .indexes: shown as query results.
  } else if (is({"\\i", "\\include", "\\ir", "\\include_relative", ".read"}) && words.size() >= 2) {
    outcome = include_file(reader, words[1], is({"\\ir", "\\include_relative"}), end);
  } else {
    skip_client_command(reader, command);
  }
  return outcome;
}

// COPY data from the script being read: whole lines up to "\.". A source
// that ends first has the data it held sent, with a note.
int32_t copy_data_from_reader(void* context, const char** data) {
  auto* reader = static_cast<StatementReader*>(context);
  size_t length = 0;
  switch (reader->next_copy_data(data, &length)) {
    case CopyData::data:
      // A window holds at most one block; a single line may be longer.
      return length > INT32_MAX ? -1 : static_cast<int32_t>(length);
    case CopyData::end_marker:
      return 0;
    case CopyData::source_ended:
      break;
  }
  std::string where = "' (from line " + std::to_string(reader->copy_first_line()) + ") has no end line \\.";
  error_line("The copy data in '", reader->source_name(), where.c_str());
  return 0;
}

// The data of a COPY record of a replay log, given once. The log writer
// trims the record, so its last line may have lost its line feed.
struct RecordData {
  const char* data = nullptr;
  size_t length = 0;
  bool line_open = false;  // the bytes given last end inside a line
};

int32_t copy_data_from_record(void* context, const char** data) {
  constexpr size_t kPiece = size_t{1} << 30;
  auto* record = static_cast<RecordData*>(context);
  if (record->length == 0) {
    if (!record->line_open) return 0;
    record->line_open = false;
    *data = "\n";
    return 1;
  }
  size_t length = record->length < kPiece ? record->length : kPiece;
  *data = record->data;
  record->data += length;
  record->length -= length;
  record->line_open = record->data[-1] != '\n';
  return static_cast<int32_t>(length);
}

// A lost connection ends its source: what of it was not run is said once,
// so that a cut script is never taken for a whole one.
void name_what_was_not_run(StatementReader& reader) {
  int64_t left = 0;
  for (Statement rest = reader.next(); rest.step != ReadStep::end; rest = reader.next()) {
    if (rest.step == ReadStep::statement && !blank_before(rest, rest.length)) ++left;
  }
  std::string what = "' (" + std::to_string(left) + (left == 1 ? " statement" : " statements") + ") was not run";
  error_line("The connection to the engine was lost: the rest of '", reader.source_name(), what.c_str());
}

// The same for the records of a replay log that were not played.
void name_records_not_run(ReplayLogReader& log) {
  int64_t left = 0;
  ReplayRecord record;
  while (log.next(&record)) ++left;
  std::string what = "' (" + std::to_string(left) + (left == 1 ? " statement" : " statements") + ") was not run";
  error_line("The connection to the engine was lost: the rest of '", log.name(), what.c_str());
}

// Whether a Ctrl-C ended a run that reads no terminal.
bool interrupted(RunEnd* end) {
  if (!run_interrupted()) return false;
  *end = RunEnd::interrupted;
  return true;
}

// Runs `name` (from the including file's folder when `relative`) as a
// script in place; its end ends the including source too when a \q or a
// lost connection ended it.
Outcome include_file(StatementReader& reader, const std::string& name, bool relative, RunEnd* end) {
  std::string path = name;
  if (relative && !name.empty() && name[0] != '/') {
    std::string including = reader.source_name();
    size_t slash = including.rfind('/');
    if (slash != std::string::npos) path = including.substr(0, slash + 1) + name;
  }
  if (nested_files >= kMostNestedFiles) return failed_with("files run inside one another nest too deep at '" + path + "'");
  morvane::iFile source;
  if (open_source(source, path.c_str()) != SourceKind::text) {
    // Named on standard error; the exit code says a source was missing, and
    // under --on-error=stop the run ends here.
    run_state.unreadable_source = true;
    Outcome outcome;
    if (run_state.stop_on_error) outcome.next = Next::end_run, outcome.end = RunEnd::unreadable;
    return outcome;
  }
  StatementBuffer buffer;
  ReaderOptions options;
  options.dialect = dialect_of_host(settings.host.narrow(0));
  options.source_name = path.c_str();
  Outcome outcome;
  ++nested_files;
  {
    StatementReader included(&source, buffer, options);
    *end = run_script(included);
  }
  --nested_files;
  release(buffer);
  set_copy_feed({copy_data_from_reader, &reader});
  if (*end != RunEnd::none) outcome.next = Next::end_run, outcome.end = *end;
  return outcome;
}

std::string from_environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The user the connection follows: the command line, else PGUSER, else
// the default.
std::string prompt_user() {
  std::string user = settings.user_given ? "" : from_environment("PGUSER");
  return user.empty() ? settings.user.narrow(0) : user;
}

// The database the connection opened; when the engine does not say, the
// one the command line named, else PGDATABASE (a URI or connection string
// names its own, which prompt_name reads).
std::string prompt_database() {
  char* opened = ql_parameter_status(connection, "dbname", nullptr);
  std::string database = opened != nullptr ? opened : "";
  ql_mfree(opened);
  if (!database.empty()) return database;
  const std::string host = settings.host.narrow(0);
  if (!settings.database.empty() || host.find('=') != std::string::npos || host.find("://") != std::string::npos) {
    return settings.database;
  }
  return from_environment("PGDATABASE");
}

}  // namespace

std::string connection_prompt_name() {
  return prompt_name(settings.host.narrow(0), prompt_user(), prompt_database());
}

RunEnd run_script(StatementReader& reader, std::string_view fed) {
  set_copy_feed({copy_data_from_reader, &reader});
  RunEnd end = RunEnd::none;
  while (!interrupted(&end)) {
    Statement statement = reader.next();
    if (statement.step == ReadStep::end) break;
    if (statement.step == ReadStep::more_input) {
      // A fed source (-c): its text a line at a time, then its end.
      if (fed.empty()) {
        reader.end_input();
        continue;
      }
      size_t feed = fed.find('\n');
      std::string line(fed.substr(0, feed));
      fed.remove_prefix(feed == std::string_view::npos ? fed.size() : feed + 1);
      reader.feed_line(line + '\n');
      continue;
    }
    const int64_t started = now_ns();
    Outcome outcome = statement.step == ReadStep::client_command ? client_command(reader, statement, &end)
                                                                  : run_one(statement);
    follow_string_setting(reader);
    Next next = settle(outcome, &end);
    if (statement.step == ReadStep::statement) show_time(started);
    if (interrupted(&end) || next == Next::end_run) break;
    if (next == Next::end_source) {
      if (outcome.code == QL_ERR_LOST) name_what_was_not_run(reader);
      reader.keep_unread();
      break;
    }
  }
  set_copy_feed({});
  return end;
}

RunEnd run_typed(StatementReader& reader, TerminalInput& terminal) {
  set_copy_feed({copy_data_from_terminal, &terminal});
  RunEnd end = RunEnd::none;
  std::string line;
  for (bool reading = true; reading;) {
    Statement statement = reader.next();
    switch (statement.step) {
      case ReadStep::end:
        reading = false;
        continue;
      case ReadStep::more_input:
        switch (terminal.read(statement, &line)) {
          case Typed::line: reader.feed_line(line); break;
          case Typed::end: reader.end_input(); break;
          case Typed::interrupted: reader.discard(); break;
          case Typed::quit: reading = false; break;
          case Typed::invalid:
            // Refused, never run without the byte: the statement is gone.
            reader.discard();
            settle(refuse(line), &end);
            break;
        }
        continue;
      case ReadStep::client_command:
      case ReadStep::statement:
        break;
    }
    take_interrupt();
    const int64_t started = now_ns();
    Outcome outcome = statement.step == ReadStep::client_command ? client_command(reader, statement, &end)
                                                                  : run_one(statement);
    // Ctrl-C while it ran cancelled it: back to the prompt, the rest of the
    // line given up.
    if (take_interrupt()) reader.drop_fed_text();
    follow_string_setting(reader);
    if (settle(outcome, &end) != Next::go_on) reading = false;
    if (statement.step == ReadStep::statement) show_time(started);
    terminal.set_transaction(transaction_of(connection));
    // After \connect the prompt names the database now open (a failed one
    // leaves no connection, and the name as it was).
    if (statement.step == ReadStep::client_command && connection != 0) {
      terminal.set_prompt_name(connection_prompt_name());
    }
  }
  set_copy_feed({});
  return end;
}

RunEnd run_replay(ReplayLogReader& log) {
  RunEnd end = RunEnd::none;
  RecordData record;
  set_copy_feed({copy_data_from_record, &record});
  set_replaying(true);
  // A captured log plays each original session on a client of its own,
  // with or without --clients= (which then only caps them). A run without
  // clients sends what it holds first, and its own clients end with the log.
  const bool captured = log.captured();
  std::unique_ptr<Runner> own_clients;
  std::optional<RunnerScope> scope;
  if (captured && !runner().copy_data_with_statement()) {
    settle(runner().flush(), &end);
    own_clients = make_clients_runner();
    scope.emplace(*own_clients);
  }
  ReplayRecord next;
  while (!interrupted(&end) && log.next(&next)) {
    char* text = next.text;
    // A COPY record carries its data after the statement's line.
    record = RecordData();
    // Independent clients take a COPY's data with its statement.
    if (next.info.copy && !runner().copy_data_with_statement()) {
      if (char* feed = std::strchr(text, '\n')) {
        *feed = '\0';
        record.data = feed + 1;
        record.length = std::strlen(record.data);
      }
    }
    set_cancel_target(connection);
    Outcome outcome = run_statement(text, next.info, {next.session, next.time_us, next.session_ends});
    set_cancel_target(0);
    end_statement_output();  // a long replay shows its results as they come
    const Next next_step = settle(outcome, &end);
    if (next_step == Next::end_run) break;
    // The statement limit, a quit or a lost connection ends the log as it
    // ends a script; a lost connection says what was not sent.
    if (next_step == Next::end_source) {
      if (outcome.code == QL_ERR_LOST) name_records_not_run(log);
      break;
    }
  }
  // The captured sessions end with their log, before the next source runs;
  // clients the command line asked for stay to the end of the run.
  if (own_clients != nullptr) settle(own_clients->finish(end != RunEnd::none), &end);
  scope.reset();
  // A damaged log was read only in part: the run says so in its exit code.
  if (log.end() != ReplayEnd::finished) {
    run_state.unreadable_source = true;
    if (run_state.stop_on_error && end == RunEnd::none) end = RunEnd::unreadable;
  }
  set_replaying(false);
  set_copy_feed({});
  return end;
}

RunEnd send_pending() {
  RunEnd end = RunEnd::none;
  set_cancel_target(connection);
  Outcome outcome = runner().finish(false);
  set_cancel_target(0);
  settle(outcome, &end);
  if (end == RunEnd::none && run_interrupted()) end = RunEnd::interrupted;
  return end;
}

}  // namespace tarnwick
