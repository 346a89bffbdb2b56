#include "console/statement_loop.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "console/commands.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/execute.h"
#include "statements/statement_text.h"
#include "terminal/interrupts.h"

namespace tarnwick {

Next settle(const Outcome& outcome, RunEnd* end) {
  if (outcome.failed()) {
    // A batch's failures show as -1 counts; a run that stops on the first
    // error names it, with the message of the batch's first failing entry.
    if (!outcome.shown || settings.stop_on_error) report_error();
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
    if (settings.stop_on_error && !input_is_console) {
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

Outcome refuse(const char* message) {
  client_error.code = QL_ERR_ENGINE;
  std::snprintf(client_error.text, sizeof client_error.text, "%s", message);
  Outcome outcome;
  outcome.code = client_error.code;
  return outcome;
}

// With standard_conforming_strings off, PostgreSQL reads a backslash in a
// plain '...' string as an escape, and so must the reader to find where the
// string ends, as psql does from the same report of the server. Asked after
// the statements that may change it.
void follow_string_setting(StatementReader& reader, const char* text) {
  if (dialect_of_host(settings.host.narrow(0)) != Dialect::postgres) return;
  const char* start = skip_blanks(text);
  if (strcasestr(text, "standard_conforming_strings") == nullptr && !begins_with_ignoring_case(start, "reset") &&
      !begins_with_ignoring_case(start, "reconnect")) {
    return;
  }
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

// Another client's command (a "\" or "." line) is not this program's.
void skip_client_command(const StatementReader& reader, const Statement& command) {
  std::string where = "' line " + std::to_string(command.line) + ": ";
  error_line("Skipping client command in '", reader.source_name(), (where + command.text).c_str());
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

// Whether a Ctrl-C ended a run that reads no terminal.
bool interrupted(RunEnd* end) {
  if (!run_interrupted()) return false;
  *end = RunEnd::interrupted;
  return true;
}

}  // namespace

RunEnd run_script(StatementReader& reader) {
  set_copy_feed({copy_data_from_reader, &reader});
  RunEnd end = RunEnd::none;
  while (!interrupted(&end)) {
    Statement statement = reader.next();
    if (statement.step == ReadStep::end) break;
    if (statement.step == ReadStep::client_command) {
      skip_client_command(reader, statement);
      continue;
    }
    Outcome outcome = run_one(statement);
    follow_string_setting(reader, statement.text);
    Next next = settle(outcome, &end);
    if (interrupted(&end) || next == Next::end_run) break;
    if (next == Next::end_source) {
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
            settle(refuse(line.c_str()), &end);
            break;
        }
        continue;
      case ReadStep::client_command:
        skip_client_command(reader, statement);
        continue;
      case ReadStep::statement:
        break;
    }
    take_interrupt();
    Outcome outcome = run_one(statement);
    // Ctrl-C while it ran cancelled it: back to the prompt, the rest of the
    // line given up.
    if (take_interrupt()) reader.drop_fed_text();
    follow_string_setting(reader, statement.text);
    if (settle(outcome, &end) != Next::go_on) reading = false;
  }
  set_copy_feed({});
  return end;
}

RunEnd run_replay(ReplayLogReader& log) {
  RunEnd end = RunEnd::none;
  RecordData record;
  set_copy_feed({copy_data_from_record, &record});
  char* text = nullptr;
  bool query = false;
  while (!interrupted(&end) && log.next(&text, &query)) {
    // A COPY record carries its data after the statement's line.
    record = RecordData();
    if (!query && is_copy(text)) {
      if (char* feed = std::strchr(text, '\n')) {
        *feed = '\0';
        record.data = feed + 1;
        record.length = std::strlen(record.data);
      }
    }
    set_cancel_target(connection);
    Outcome outcome = run_statement(text, query);
    set_cancel_target(0);
    end_statement_output();  // a long replay shows its results as they come
    if (settle(outcome, &end) == Next::end_run) break;
  }
  set_copy_feed({});
  return end;
}

RunEnd send_pending() {
  RunEnd end = RunEnd::none;
  settle(flush_batch(), &end);
  return end;
}

}  // namespace tarnwick
