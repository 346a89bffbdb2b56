// Statement trace files: under --debug, every non-query statement that the
// engine rejects is appended to SQL.Tarnwick.<pid>.<sequence> in the working
// directory, as its bytes and one line feed. A file that has grown to
// TRACE_ROTATE_POSITION is left as it is and the next statement starts the
// file with the next sequence number. An existing file of that name is
// emptied; a symbolic link there is not followed and counts as a file that
// cannot be created. A file that cannot be created stops tracing for the
// rest of the run; it is reported on standard error, as is the first write
// that fails, and either makes the run's exit code 5 (note_lost_output).
// Execution goes on in both cases.
#pragma once

#include <cstdint>

#include "support/file/file.h"

namespace tarnwick {

inline constexpr int32_t TRACE_ROTATE_POSITION = 2137483647;  // 2^31 - 1 less 10,000,000

// The sequence number of the next trace file.
extern uint32_t trace_counter;

void trace_statement(const char* text);

// Closes the current trace file, if any; the driver calls it at the end.
void close_trace_file();

// The holder of the current trace file, or null (tests move its position).
morvane::iFile* trace_file_holder();

}  // namespace tarnwick
