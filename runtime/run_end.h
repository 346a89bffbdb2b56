// Why a run ends before its last source does. Main thread only.
#pragma once

namespace tarnwick {

enum class RunEnd {
  none,
  error_stop,   // a statement failed under --on-error=stop: exit code 3
  interrupted,  // Ctrl-C (SIGINT) in a run that does not read a terminal: 130
};

extern RunEnd run_end;

}  // namespace tarnwick
