#include "console/process_state.h"

#include "measure/report.h"
#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/batch.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/pager.h"
#include "session/result_slots.h"
#include "session/runner.h"
#include "session/timing.h"
#include "statements/trace_file.h"

namespace tarnwick {

void reset_process_state() {
  settings = RunSettings();
  run_state = RunState();
  output_is_console = false;
  input_is_console = false;
  client_error = ClientError{};
  connection = 0;
  set_copy_feed({});
  set_password("");
  set_console_conversions(nullptr, nullptr);
  release_result_slots();
  pending_are_queries = false;
  executed_count = 0;
  close_trace_file();
  trace_counter = 0;
  reset_output_state();
  reset_pager_state();
  forget_pool_reports();
  reset_runner();
  reset_run_stats();
  reset_timing();
  close_report_file();
}

}  // namespace tarnwick
