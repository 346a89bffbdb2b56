// Every process-wide variable of the console side, in one list, with the
// rule that keeps it safe. All of them belong to the main thread: the
// client library's pool threads never see them (they get copies of texts
// and counts through the library's calls), and no signal handler reads or
// writes them.
//
//   runtime/run_settings.h    settings            written by the argument
//                                                  parser, read-only after
//                             output_is_console   set once by the driver
//                             input_is_console    set by the driver; cleared
//                                                  when a named source starts
//                             start_time          constant from process start
//   runtime/run_end.h         run_end             why the run ends early
//   runtime/client_error.h    client_error        the error record of every
//                                                  client-library call
//                             connection          the open handle, or 0
//   runtime/console_text.h    the conversion pair set by set_console_conversions
//   runtime/console_output.h  standard output's buffer (set_up_output),
//                             whether output was lost (output_lost)
//   session/result_slots.h    result_slots, pending_statements,
//                             pending_are_queries
//   session/execute.h         executed_count      against the statement limit
//   statements/trace_file.h   trace_counter and the open trace file
//   session/batch.cpp         what was reported about the pool's failures
//   measure/run_stats.h       run_stats           the load run's statistics
//   measure/report.h          the open report file (--report=FILE)
//   session/timing.h          the fixed-rate schedule and the reused
//                                                  timing arrays
//
// The driver's stop flag is a local of the source loop, handed on by
// address; it is not process-wide.
#pragma once

namespace tarnwick {

// Puts every variable above back to its state at process start (the
// trace file is closed; an open connection is forgotten, not closed). For
// tests, which run many console runs in one process.
void reset_process_state();

}  // namespace tarnwick
