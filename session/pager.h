// The pager at a terminal. When standard output is a terminal and paging
// is on (no --no-pager, psql's "\pset pager" not off), one result at a
// time is written to memory first; once written, it goes to standard
// output when it fits on the screen above the prompt, and through the
// pager when it does not, as psql shows long results.
//
// The pager is $TARNWICK_PAGER, else $PAGER, else "less -S"; a value that
// is empty (or blank) means none. It runs through /bin/sh -c with the
// result on its standard input, and the run waits for it to end. While it
// runs, Ctrl-C and SIGPIPE are ignored here (the pager takes the keys; a
// pager quit early just ends the writing). A pager that cannot be started
// (the shell's 127 or 126) is said once on standard error, paging stays off
// for the rest of the run, and that result is shown on standard output.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

namespace tarnwick {

// The pager command the environment names; nullopt when none is to be used.
std::optional<std::string> pager_command();

// Where one result is written: standard output, or memory while the pager
// may be needed.
struct ResultOutput {
  FILE* stream = stdout;
  bool held = false;      // stream is a memory stream
  char* text = nullptr;   // its buffer, set when it is closed
  size_t length = 0;
};

// Standard output, unless the result may have to go through the pager.
ResultOutput open_result_output();

// Shows a held result, on standard output or through the pager, and frees
// it; nothing for standard output.
void close_result_output(ResultOutput* output);

// Back to the state at process start (for tests).
void reset_pager_state();

}  // namespace tarnwick
