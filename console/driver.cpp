// A run, in order: console flags; command line; server wait (--timeout=N:
// up to N probes a second apart); connect; the hint; the result slots; each
// input source in turn ("-" when none is named); then the pending batch is
// sent, the connection and the trace file closed.
//
// Standard input read at a terminal (standard output one too) goes through
// the line editor, with prompts and history. A run ends before its last
// source when a statement fails under --on-error=stop, or at Ctrl-C when
// no terminal is being read; what is pending is then dropped, not sent.
#include "console/driver.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "console/arguments.h"
#include "console/statement_loop.h"
#include "measure/report.h"
#include "measure/report_compare.h"
#include "measure/report_html.h"
#include "measure/report_merge.h"
#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/outcome.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/result_slots.h"
#include "session/runner.h"
#include "statements/input_source.h"
#include "statements/replay_log.h"
#include "statements/statement_reader.h"
#include "statements/trace_file.h"
#include "support/platform/platform.h"
#include "terminal/interrupts.h"
#include "terminal/line_editor.h"
#include "terminal/terminal_input.h"

namespace tarnwick {

namespace {

constexpr int kStdin = 0;
constexpr int kStdout = 1;
constexpr int kStderr = 2;
constexpr int32_t kDefaultProgressSeconds = 5;

// Whether any input names a replay log (the test of the source opener).
bool plays_replay_log() {
  for (const morvane::WString& entry : settings.sql_inputs) {
    if (is_replay_log_name(entry.narrow(0))) return true;
  }
  return false;
}

// Sets up measuring from the load-run options: progress lines every
// --progress seconds (by default every 5 s when standard error is a
// terminal and the run is a load run: a replay log or a pool), and the
// report. False when the report file cannot be written: the run must not
// start then.
bool set_up_measuring() {
  int32_t progress = settings.progress_seconds;
  if (progress < 0) {
    bool load_run = !single_mode() || plays_replay_log();
    progress = morvane::platform::is_console(kStderr) && load_run ? kDefaultProgressSeconds : 0;
  }
  if (settings.report && !settings.report_path.empty() && !open_report_file(settings.report_path.c_str())) {
    return false;
  }
  run_stats.active = settings.report || progress > 0;
  run_stats.progress_ns = int64_t{progress} * 1000000000;
  run_stats.late_threshold_ns = int64_t{settings.late_ms} * 1000000;
  return true;
}

// The end of a measured run: the report, and the exit code it implies.
int finish_measuring(int exit_code) {
  if (!run_stats.active) return exit_code;
  stop_measuring(monotonic_ns());
  if (!settings.report) return exit_code;
  ReportSettings report{settings.statements, settings.rate, settings.late_ms,
                        settings.code_page == morvane::codepage_utf8};
  report.interrupted = run_interrupted();
  report.sessions = settings.sessions;
  report.clients = settings.clients;
  report.pipeline = settings.pipeline;
  report.prepared = settings.prepared;
  report.speed = settings.speed;
  // What the run would have played: the records of its replay logs, known
  // when every source is a replay log of known size and no statement limit
  // ends them sooner.
  report.planned = settings.sql_inputs.empty() ? -1 : 0;
  for (const morvane::WString& entry : settings.sql_inputs) {
    const char* name = entry.narrow(0);
    const int64_t records = is_replay_log_name(name) ? count_log_records(name) : -1;
    if (records < 0) {
      report.planned = -1;
      break;
    }
    report.planned += records;
  }
  if (settings.statement_limit > 0 && report.planned > settings.statement_limit) report.planned = -1;
  if (!write_report(report, settings.report_path)) return kExitOutputLost;
  return run_stats.failed > 0 ? kExitStatementFailed : exit_code;
}

// --merge-reports: the reports of runs made apart, merged into the report
// the command line asks for (standard error when it names none). Exit code
// 1 when a report was left out, 5 when the merged one cannot be written.
int merge_into_report() {
  if (!settings.report_path.empty() && !open_report_file(settings.report_path.c_str())) return kExitOutputLost;
  MergeResult merged = merge_reports(settings.merge_reports);
  ReportSettings report{1, 0, settings.late_ms, true};
  report.planned = merged.planned;
  report.interrupted = merged.interrupted;
  if (merged.merged == 0) {
    error_line("No report to merge");
    close_report_file();
    return kExitSourceUnreadable;
  }
  if (!write_report(report, settings.report_path)) return kExitOutputLost;
  return merged.skipped > 0 ? kExitSourceUnreadable : kExitOk;
}

// --start-at: the clients connect first, then the run waits for the set
// time, so that runs on several hosts send their first statements
// together. A run that gets there late says so (and its report, by how
// much); Ctrl-C ends the wait.
void wait_for_start() {
  open_clients();
  double late = 0;
  bool said = false;
  for (;;) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const double left = settings.start_at - (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9);
    if (left <= 0) {
      late = -left;
      break;
    }
    if (run_interrupted()) return;
    if (!said && left >= 1) {
      said = true;
      error_line(("Note : the first statement waits " + std::to_string(static_cast<int64_t>(left + 0.5)) +
                  " s for --start-at=")
                     .c_str());
    }
    morvane::platform::sleep_ms(static_cast<uint32_t>(std::min(left * 1000.0, 100.0)) + 1);
  }
  if (late > 0.1) {
    error_line(("Warning : the run starts " + std::to_string(late).substr(0, std::to_string(late).find('.') + 4) +
                " s after --start-at=")
                   .c_str());
  }
}

// --compare-reports: two reports compared on standard output, and as a
// page into a --report=FILE.html. Exit code 1 when they cannot be compared
// (the message says why), 5 when the page or standard output cannot be
// written.
int compare_into_report() {
  const bool page = settings.report && !settings.report_path.empty();
  if (!settings.merge_reports.empty()) {
    error_line("--compare-reports= and --merge-reports= do not go together: merge the reports first, then compare "
               "the merged ones");
    return kExitSourceUnreadable;
  }
  if (page && !is_html_path(settings.report_path)) {
    error_line("With --compare-reports= the --report= file is the comparison as a page and must end in .html: '",
               settings.report_path.c_str(), "'");
    return kExitSourceUnreadable;
  }
  if (page && !open_report_file(settings.report_path.c_str())) return kExitOutputLost;
  ReportComparison comparison;
  std::string problem;
  if (!compare_reports(settings.compare_reports, &comparison, &problem)) {
    error_line(problem.c_str());
    close_report_file();
    return kExitSourceUnreadable;
  }
  const std::string text = comparison_text(comparison);
  out_bytes(text.data(), text.size());
  end_statement_output();
  if (page && !write_report_file(settings.report_path, comparison_html(comparison))) return kExitOutputLost;
  return output_lost() ? kExitOutputLost : kExitOk;
}

// Probes the server up to `timeout` times, one second apart; false when it
// never answered.
bool wait_for_server() {
  if (settings.timeout == 0) return true;
  char* databases = nullptr;
  hand_connect_defaults();
  for (int32_t attempt = 0; attempt < settings.timeout; ++attempt) {
    // Probes start one second apart: the time a probe took (up to its own
    // bound of about a second) comes off the pause, so N attempts last
    // about N seconds even against a server that never answers.
    const auto started = std::chrono::steady_clock::now();
    int32_t answered = ql_list_db(given_host(), given_port(), &databases, &client_error);
    ql_mfree(databases);  // the list itself is not used
    databases = nullptr;
    if (answered != 0) break;
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count();
    if (spent < 1000) morvane::platform::sleep_ms(static_cast<uint32_t>(1000 - spent));
  }
  if (client_error.code == 0) return true;
  client_error.text[sizeof client_error.text - 1] = '\0';
  if (output_is_console) text_to_console(client_error.text, sizeof client_error.text);
  // The message is the last probe's; the wait was --timeout's.
  const std::string waited = " (the last of " + std::to_string(settings.timeout) +
                             " attempt(s) one second apart, --timeout=" + std::to_string(settings.timeout) + ")";
  error_line("Fatal : ", client_error.text, waited.c_str());
  return false;
}

// The server asked for a password and none was given: at a terminal it is
// asked for without echo, as psql does, and the connection opened again.
void ask_password() {
  char* user = ql_password_user();
  std::string password;
  const bool typed = read_password("Password for user " + std::string(user != nullptr ? user : "") + ": ", &password);
  ql_mfree(user);
  if (!typed) return;
  set_password(password);
  connection = connect();
}

constexpr int kExitErrorStop = 3;

std::string history_path() {
  const char* home = std::getenv("HOME");
  return home != nullptr && *home != '\0' ? std::string(home) + "/.tarnwick_history" : "";
}

// Reads statements typed at the terminal until the input ends.
RunEnd read_terminal(StatementBuffer& buffer, const ReaderOptions& options) {
  open_line_editor(history_path());
  TerminalInput terminal(connection_prompt_name());
  StatementReader reader(nullptr, buffer, options);
  RunEnd end = run_typed(reader, terminal);
  release(buffer);
  return end;
}

// Each source in turn ("-" when none is named), until the run ends.
RunEnd read_sources() {
  std::vector<std::string> names;
  for (const morvane::WString& entry : settings.sql_inputs) names.emplace_back(entry.narrow(0));
  if (names.empty()) names.emplace_back("-");
  StatementBuffer buffer;
  morvane::iFile source;
  std::string standard_input_unread;
  RunEnd end = RunEnd::none;
  for (size_t index = 0; index < names.size(); ++index) {
    if (end != RunEnd::none) break;
    const std::string& entry = names[index];
    if (auto command = settings.commands.find(index); command != settings.commands.end()) {
      // -c: the text is the source, read as a script.
      input_is_console = false;
      set_interactive(false);
      ReaderOptions options;
      options.dialect = dialect_of_host(settings.host.narrow(0));
      options.source_name = entry.c_str();
      StatementReader reader(nullptr, buffer, options);
      end = run_script(reader, command->second);
      if (run_interrupted()) end = RunEnd::interrupted;
      continue;
    }
    const char* name = entry.c_str();
    bool standard_input = entry == "-";
    if (!standard_input) {
      input_is_console = false;
    } else {
      // After Ctrl-D at a terminal the stream stays at its end; a later "-"
      // reads the terminal again.
      std::clearerr(stdin);
    }
    bool at_terminal = standard_input && input_is_console && output_is_console;
    set_interactive(at_terminal);
    switch (open_source(source, name)) {
      case SourceKind::unreadable:
        // Named on standard error by open_source; the run's exit code says
        // it, and under --on-error=stop the run ends here.
        run_state.unreadable_source = true;
        if (run_state.stop_on_error) end = RunEnd::unreadable;
        break;
      case SourceKind::replay_log: {
        // Statements go straight to execution: no console commands.
        ReplayLogReader log(source, name, settings.ignore_create, sql_dialect_of_host(settings.host.narrow(0)));
        end = run_replay(log);
        break;
      }
      case SourceKind::text: {
        // The engine's lexical syntax decides where statements end.
        ReaderOptions options;
        options.dialect = dialect_of_host(settings.host.narrow(0));
        options.source_name = name;
        if (at_terminal) {
          end = read_terminal(buffer, options);
        } else {
          // Standard input may be named again: what one reading read ahead
          // and did not use is the next one's start.
          if (standard_input) options.unread = &standard_input_unread;
          StatementReader reader(&source, buffer, options);
          end = run_script(reader);
        }
        break;
      }
    }
    source.close();
    if (run_interrupted()) end = RunEnd::interrupted;
  }
  set_interactive(false);
  close_line_editor();
  release(buffer);
  return end;
}

}  // namespace

int run_console(int argc, const char* const* argv) {
  output_is_console = morvane::platform::is_console(kStdout);
  input_is_console = morvane::platform::is_console(kStdin);
  set_up_output();

  if (parse_arguments(argc, argv) != ParseResult::go_on) return kExitOk;
  if (!settings.compare_reports.empty()) return compare_into_report();
  if (!settings.merge_reports.empty()) return merge_into_report();
  start_run_state();
  if (input_is_console || output_is_console) set_up_console_text(settings.code_page);
  install_interrupts();
  set_clients_stop_check(run_interrupted);
  if (!set_up_measuring()) return kExitOutputLost;
  if (!wait_for_server()) return kExitServerWaitFailed;

  connection = connect();
  if (client_error.code == QL_ERR_PASSWORD && input_is_console && output_is_console) ask_password();
  if (client_error.code != 0) {
    close_report_file();
    if (output_is_console) text_to_console(client_error.text, sizeof client_error.text);
    message_line("Fatal : ", client_error.text);
    if (client_error.code == QL_ERR_PASSWORD && !(input_is_console && output_is_console)) {
      message_line("The password is asked for only at a terminal; elsewhere give it in PGPASSWORD or "
                   "a password file (~/.pgpass).");
    }
    end_statement_output();
    return kExitConnectFailed;
  }
  // The hint belongs to the table; the other formats write rows only.
  if (!settings.quiet && settings.format == OutputFormat::table) {
    out_text("type quit; to exit.");
    end_line();
    end_statement_output();
  }
  create_result_slots();
  use_runner(make_runner());

  if (settings.start_at > 0) wait_for_start();
  if (run_stats.active) start_measuring(monotonic_ns());
  if (settings.start_at > 0) {
    run_stats.start_at = settings.start_at;
    run_stats.start_late = std::max(0.0, run_stats.started_at - settings.start_at);
  }
  RunEnd end = read_sources();

  if (end != RunEnd::none) {
    runner().finish(true);  // nothing more runs
  } else {
    end = send_pending();
  }
  // The report is written even after --on-error=stop or Ctrl-C ended the run.
  int exit_code = finish_measuring(kExitOk);
  disconnect(&connection);
  close_trace_file();
  release_result_slots();
  end_statement_output();
  // Why the run ended early comes first; then lost output; then failed
  // statements under --report (4).
  // The first that applies of 130, 3, 2, 1, 5, 4 (66 and 70 come from what
  // main catches).
  switch (end) {
    case RunEnd::interrupted: return interrupt_exit_code();
    case RunEnd::error_stop: return kExitErrorStop;
    case RunEnd::unreadable:
    case RunEnd::none: break;
  }
  if (run_state.lost_connection) return kExitConnectionLost;
  if (run_state.unreadable_source) return kExitSourceUnreadable;
  return output_lost() ? kExitOutputLost : exit_code;
}

}  // namespace tarnwick
