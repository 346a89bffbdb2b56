#include "runtime/console_output.h"

#include <stdio_ext.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <string>

#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "support/platform/platform.h"

namespace tarnwick {

namespace {
constexpr int kStderr = 2;
}  // namespace

void write_bytes(FILE* stream, const char* bytes, size_t length) {
  if (length > 0) fwrite_unlocked(bytes, 1, length, stream);
}

void write_repeat(FILE* stream, char c, int64_t count) {
  static constexpr size_t kChunk = 256;
  if (count <= 0) return;
  char chunk[kChunk];
  std::memset(chunk, c, count < static_cast<int64_t>(kChunk) ? static_cast<size_t>(count) : kChunk);
  while (count > 0) {
    size_t n = count > static_cast<int64_t>(kChunk) ? kChunk : static_cast<size_t>(count);
    write_bytes(stream, chunk, n);
    count -= static_cast<int64_t>(n);
  }
}

void write_number(FILE* stream, int64_t value) {
  char digits[24];
  int length = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  write_bytes(stream, digits, static_cast<size_t>(length));
}

void out_text(const char* text) { out_bytes(text, std::strlen(text)); }

void out_bytes(const char* bytes, size_t length) { write_bytes(stdout, bytes, length); }

void out_char(char c) { putc_unlocked(c, stdout); }

void out_repeat(char c, int64_t count) { write_repeat(stdout, c, count); }

void out_number(int64_t value) { write_number(stdout, value); }

namespace {

bool lost_output = false;
bool stdout_failure_reported = false;
bool messages_to_stderr = false;

// Checks standard output after a flush. The first failure is reported; the
// bytes still in the buffer are dropped, so that a stream that cannot be
// written costs one failing write per buffer, not one per byte.
void check_stdout(int flush_result) {
  if (flush_result == 0 && !std::ferror(stdout)) return;
  int error_number = errno;
  std::clearerr(stdout);
  __fpurge(stdout);
  if (stdout_failure_reported) return;
  stdout_failure_reported = true;
  note_lost_output("Cannot write standard output: ",
                   error_number != 0 ? std::strerror(error_number) : "write failed");
}

}  // namespace

void end_line() {
  putc_unlocked('\n', stdout);
  if (output_is_console) check_stdout(std::fflush(stdout));
}

void end_statement_output() {
  // Nothing waits in the buffer (a silent replay writes nothing): the
  // flush, and the stream lock it takes, would do nothing; the error of
  // an earlier write is still seen.
  if (__fpending(stdout) == 0 && !ferror_unlocked(stdout)) return;
  check_stdout(std::fflush(stdout));
}

void note_lost_output(const char* a, const char* b, const char* c) {
  lost_output = true;
  error_line(a, b, c);
}

bool output_lost() { return lost_output; }

void reset_output_state() {
  lost_output = false;
  stdout_failure_reported = false;
  messages_to_stderr = false;
}

void set_messages_to_stderr(bool on) { messages_to_stderr = on; }

void message_line(const char* a, const char* b, const char* c) {
  if (messages_to_stderr) {
    error_line(a, b, c);
    return;
  }
  out_text(a);
  out_text(b);
  out_text(c);
  end_line();
}

void error_line(const char* a, const char* b, const char* c) {
  std::fflush(stdout);
  std::fputs(a, stderr);
  std::fputs(b, stderr);
  std::fputs(c, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void write_notice(const char* message) {
  std::string text(message);
  if (morvane::platform::is_console(kStderr)) text_to_console(text);
  if (text.empty() || text.back() != '\n') text += '\n';
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

void set_up_output() {
  if (!output_is_console) {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  }
}

}  // namespace tarnwick
