// Writing to standard output and standard error.
//
// Every line the program writes ends with end_line(). On a terminal each
// line is flushed as it ends; otherwise standard output is flushed at the
// end of every statement (end_statement_output) and before anything goes to
// standard error (error_line), so the order of all output stays the same
// while a script's output costs one write per statement, not per line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tarnwick {

// Unformatted writes to any stream; out_* below are these on standard
// output. The caller holds the stream (no locking per call).
void write_bytes(FILE* stream, const char* bytes, size_t length);
void write_repeat(FILE* stream, char c, int64_t count);  // nothing when count <= 0
void write_number(FILE* stream, int64_t value);

// Standard output.
void out_text(const char* text);
void out_bytes(const char* bytes, size_t length);
void out_char(char c);
void out_repeat(char c, int64_t count);  // nothing when count <= 0
void out_number(int64_t value);
void end_line();
void end_statement_output();

// Writes the parts one after the other, then a newline, to standard error
// and flushes it; standard output is flushed first.
void error_line(const char* a, const char* b = "", const char* c = "");

// Messages of the run ("Error : ", "Fatal : ", the parser's warnings):
// with the results on standard output, as the framed table has them, or,
// when standard output carries data for another program (the machine
// formats, a report on standard output), on standard error.
void set_messages_to_stderr(bool on);
void message_line(const char* a, const char* b = "", const char* c = "");

// Writes a notice of the engine to standard error as the engine's own
// client does ("NOTICE:  text"), converted when standard error is a
// terminal. Safe to call from the client library's pool threads while the
// main thread waits in a batch call.
void write_notice(const char* message);

// Lost output. A write to standard output that fails (a full disk, a pipe
// whose reader has gone while SIGPIPE is ignored) is noticed at the next
// flush and reported once on standard error, "Cannot write standard
// output: <reason>"; the run goes on. note_lost_output reports other lost
// output (the trace files) as one line on standard error. Either makes
// output_lost() true, and the driver then ends the run with exit code 5.
void note_lost_output(const char* a, const char* b = "", const char* c = "");
bool output_lost();
// Back to the state at process start (for tests).
void reset_output_state();

// Gives standard output a large buffer when it is not a terminal; called
// once by the driver before anything is written.
void set_up_output();

}  // namespace tarnwick
