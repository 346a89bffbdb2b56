#include "runtime/run_settings.h"

namespace tarnwick {

RunSettings settings;
bool output_is_console = false;
bool input_is_console = false;
const std::time_t start_time = std::time(nullptr);

}  // namespace tarnwick
