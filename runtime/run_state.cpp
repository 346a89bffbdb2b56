#include "runtime/run_state.h"

#include "runtime/run_settings.h"

namespace tarnwick {

RunState run_state;

void start_run_state() {
  run_state = RunState();
  run_state.stop_on_error = settings.stop_on_error;
  run_state.pager = settings.pager;
}

}  // namespace tarnwick
