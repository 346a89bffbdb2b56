// The program's entry point and main loop.
#pragma once

namespace tarnwick {

// Exit codes of a run.
inline constexpr int kExitOk = 0;
inline constexpr int kExitServerWaitFailed = -1;
inline constexpr int kExitConnectFailed = -3;
inline constexpr int kExitSourceUnreadable = 1;  // a source could not be opened or read
inline constexpr int kExitConnectionLost = 2;    // statements were not sent: the connection was lost
inline constexpr int kExitStatementFailed = 4;  // with --report: a statement failed
// The run went on to its end, but output was lost: a write to standard
// output, to a trace file or to the report file failed (reported on
// standard error); also a report file that cannot be opened, before the
// run starts.
inline constexpr int kExitOutputLost = 5;
// An allocation was refused (the allocator's report is on both streams):
// the run ended there. The same code as the allocator's exit-on-failure.
inline constexpr int kExitOutOfMemory = 66;
// Any other failure the program has no way to go on from (reported as
// "Fatal : " and its text on standard error).
inline constexpr int kExitInternalFailure = 70;

// Parses the command line, waits for the server when asked, connects, reads
// every input source in order and closes; returns the exit code.
int run_console(int argc, const char* const* argv);

}  // namespace tarnwick
