// The program's entry point and main loop.
#pragma once

namespace tarnwick {

// Exit codes of a run.
inline constexpr int kExitOk = 0;
inline constexpr int kExitServerWaitFailed = -1;
inline constexpr int kExitConnectFailed = -3;
inline constexpr int kExitStatementFailed = 4;  // with --report: a statement failed
inline constexpr int kExitOutputFailed = 5;     // the report file cannot be written

// Parses the command line, waits for the server when asked, connects, reads
// every input source in order and closes; returns the exit code.
int run_console(int argc, const char* const* argv);

}  // namespace tarnwick
