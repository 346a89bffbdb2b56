// Console commands, tried in this order once blanks and comment lines are
// skipped (letter case never counts):
//
//   quit, q, bye, exit   the first word: end the current source
//   pause<N>             the first word begins with "pause": send the
//                        pending batch, sleep N seconds (N from the first
//                        word, so "pause5;" sleeps and "pause 5;" does not)
//   begin trans...,      under --ignore-transaction: send the pending batch
//   immediate...         and drop the statement
//   wait<N>              sleep until N seconds after the process started
//   reconnect...         send the pending batch; reopen the connection
//   disconnect...        send the pending batch; close the connection
//   create               under --ignore-create: drop, nothing sent
//   anything else        run it; a query when the first word is "select"
//                        or "{unicode}select"
//
// Reconnect and disconnect only send the batch under
// --no-connect-disconnect. A negative N for pause or wait counts as 0, and
// Ctrl-C ends either.
#include "console/commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "runtime/client_error.h"
#include "runtime/console_output.h"
#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "runtime/run_state.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/runner.h"
#include "statements/statement_text.h"
#include "support/platform/platform.h"
#include "terminal/interrupts.h"

namespace tarnwick {

namespace {

// The head and the first word are cut to this many bytes. The number is part
// of the command rules (a "wait" number written after 59 digits of padding
// is not read), so it stays 63 rather than the text's length.
constexpr size_t kHeadLength = 63;

// The first byte after leading blanks and comment lines ("#" or "--" up to
// and including the line feed).
const char* skip_blanks_and_comments(const char* text) {
  for (;;) {
    text = skip_blanks(text);
    if (text[0] != '#' && !(text[0] == '-' && text[1] == '-')) return text;
    const char* line_feed = std::strchr(text, '\n');
    if (line_feed == nullptr) return text + std::strlen(text);
    text = line_feed + 1;
  }
}

bool begins_with(const std::string& text, const char* literal) {
  return begins_with_ignoring_case(text.c_str(), literal);
}

bool is_word(const std::string& word, const char* literal) {
  return tarnwick::is_word(word.data(), word.size(), literal);
}

// Sleeps `seconds` seconds, in short slices so that Ctrl-C ends the sleep.
void sleep_seconds(int64_t seconds) {
  constexpr int64_t kSlice = 100;
  end_statement_output();  // what came before the pause is seen before it
  int64_t milliseconds = seconds * 1000;
  while (milliseconds > 0 && !interrupt_pending()) {
    int64_t slice = milliseconds > kSlice ? kSlice : milliseconds;
    morvane::platform::sleep_ms(static_cast<uint32_t>(slice));
    milliseconds -= slice;
  }
}

int64_t number_after(const std::string& text, size_t skip) {
  int64_t n = std::atoi(text.c_str() + (text.size() < skip ? text.size() : skip));
  return n < 0 ? 0 : n;
}

}  // namespace

Outcome interpret(const char* text, ql_handle* handle) {
  Outcome outcome;
  const char* start = skip_blanks_and_comments(text);
  if (*start == '\0') return outcome;

  std::string head(start, strnlen(start, kHeadLength));
  size_t word_length = std::strcspn(start, " ;");
  std::string word(start, word_length < kHeadLength ? word_length : kHeadLength);

  if (is_word(word, "quit") || is_word(word, "q") || is_word(word, "bye") ||
      is_word(word, "exit")) {
    outcome.next = Next::end_source;
    return outcome;
  }

  std::string copy(start);
  // Typed bytes the terminal's character set cannot hold were refused by
  // the line editor already (terminal/line_editor.cpp).
  if (input_is_console) text_from_console(copy);

  if (settings.verbose) {
    out_text(text);
    end_line();
    end_statement_output();
  }

  if (begins_with(word, "pause")) {
    outcome = runner().flush();
    sleep_seconds(number_after(word, 5));
  } else if (settings.ignore_transaction &&
             (begins_with(head, "begin trans") || begins_with(head, "immediate"))) {
    outcome = runner().flush();
  } else if (begins_with(head, "wait")) {
    int64_t n = number_after(head, 4);
    int64_t elapsed = static_cast<int64_t>(std::time(nullptr) - start_time);
    if (n > elapsed) {
      outcome = runner().flush();
      sleep_seconds(n - elapsed);
    }
  } else if (begins_with(head, "reconnect")) {
    outcome = runner().flush();
    if (settings.connect_disconnect && !(outcome.failed() && run_state.stop_on_error)) {
      reconnect(handle);
      if (client_error.code != 0) {
        Outcome failed;
        failed.code = client_error.code;
        if (client_error.code == QL_ERR_LOST) failed.next = Next::end_source;
        outcome.merge(failed);
      }
    }
  } else if (begins_with(head, "disconnect")) {
    outcome = runner().flush();
    if (settings.connect_disconnect) disconnect(handle);
  } else if (settings.ignore_create && is_create_word(word.data(), word.size())) {
    // dropped
  } else {
    outcome = run_statement(copy.data(), read_statement_info(copy.data()));
  }
  end_statement_output();
  return outcome;
}

}  // namespace tarnwick
