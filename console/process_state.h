// Every process-wide variable of the console side, in one list, with the
// rule that keeps it safe. Nothing else of the console side is mutable at
// file scope. "Main thread" means written and read by the thread that runs
// the statement loop only; the client library's pool threads and the
// signal handler never touch those. The few that other threads see say so.
//
// The run's records
//   runtime/run_settings.h   settings             written by the argument parser; read-only
//                                                 after it (pool threads may read it)
//                            output_is_console,   set by the driver before anything runs;
//                            input_is_console     input_is_console is cleared when a named
//                                                 source starts. Main thread.
//                            start_time           constant from process start
//   runtime/run_state.h      run_state            what scripts change as the run goes
//                                                 (\set ON_ERROR_STOP, .bail, \connect,
//                                                 \timing, \pset pager). Main thread.
//   runtime/client_error.h   client_error,        the connection record: the error record of
//                            connection           every client-library call, the open handle.
//   session/connection.cpp   copy_feed,           where COPY data comes from, and the COPY
//                            copy_out_bytes       TO STDOUT bytes of the statement running
//                                                 now. Main thread.
//   console/statement_loop.cpp  nested_files      files run by \i or .read inside one
//                                                 another. Main thread.
//   session/result_slots.h   result_slots,        the result slots and the pending batch
//                            pending_statements,  (with the block marks of each), and
//                            pending_marks,       whether a transaction block is open
//                            pending_are_queries, in pool mode. Main thread.
//                            pending_in_block
//   session/execute.h        executed_count       against the statement limit. Main thread.
//   session/connection.cpp   typed_password       a password typed at the prompt, for the
//                                                 reconnects of the run. Main thread.
//   session/batch.cpp        reports              what was said about the pool's failures.
//                                                 Main thread.
//   session/timing.cpp       the schedule (schedule_start_ns, scheduled_count,
//                            last_call_scheduled, measured_in_block) and the reused
//                            arrays (timings, due_times, session_free_ns). Main thread.
//   session/clients.cpp      clients              the independent clients of --clients=:
//                                                 made by the main thread at the first
//                                                 statement dealt, destroyed after their
//                                                 threads are joined; each client's own
//                                                 fields follow the rules in Client.
//                            stop_check           set before the first source. Main thread.
//   session/runner.cpp       the run's runner     the way the run sends its statements,
//                            and the installed    picked by the driver; a captured log
//                            one                  installs clients while it plays. Main thread.
//   statements/trace_file.h  trace_counter, the open trace file and its name (holder,
//                            holder_name), write_failure_reported. Main thread.
//   measure/run_stats.h      run_stats            the load run's statistics. Main thread
//                                                 (the pool's timings reach it through the
//                                                 library's calls, after each batch).
//   measure/report.cpp       report_file          the report file (--report=FILE). Main thread.
//
// Output and the terminal
//   runtime/console_output.cpp  lost_output, stdout_failure_reported,
//                               messages_to_stderr (set by the argument parser), and
//                               standard output's buffer (set_up_output). Main thread.
//   session/pager.cpp           pager_failed: a pager that could not be started was said,
//                               and nothing more is paged. Main thread.
//   runtime/console_text.cpp    the conversion pair (to_console_conversion,
//                               from_console_conversion, terminal_is_utf8) and the two
//                               character-set names (terminal_charset, engine_charset): set
//                               once by set_up_console_text before the first connection
//                               opens, read-only after it, so the engine's notices may be
//                               converted on pool threads (write_notice).
//   terminal/line_editor.cpp    the editor and its history (editor, history), the history
//                               file's name and what was learnt of it at start
//                               (history_file, history_unreadable, history_existed,
//                               history_status), the prompt shown (current_prompt),
//                               history_warned, and the UTF-8 decoder's state
//                               (invalid_byte, pushed_back). Main thread.
//   terminal/interrupts.cpp     the record of Ctrl-C, SIGTERM and SIGHUP: atomics shared by
//                               the signal handler, the watcher thread and the main thread
//                               (pending_interrupt, interrupted_run, interactive_now,
//                               cancel_target, ending_signal); the
//                               wake-up pipe (wake_pipe), the main thread's id
//                               (main_thread) and handles_termination, set once at
//                               install_interrupts; statement_number (main thread).
//   measure/progress.cpp        the progress watcher's shared record: atomic copies of the
//                               counts (written by the main thread, read by the watcher
//                               thread, which never reads run_stats) and a mutex that keeps
//                               their lines apart.
//
// How a run is told to stop is not state: every statement returns an
// Outcome (runtime/outcome.h) to the statement loop, which decides there.
#pragma once

namespace tarnwick {

// Puts every variable above back to its state at process start (the
// trace file is closed; an open connection is forgotten, not closed). For
// tests, which run many console runs in one process.
void reset_process_state();

}  // namespace tarnwick
