#include "runtime/run_end.h"

namespace tarnwick {

RunEnd run_end = RunEnd::none;

}  // namespace tarnwick
