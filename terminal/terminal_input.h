// Standard input at a terminal, a line at a time, for the statement loop:
// each line comes from the line editor after a prompt that shows what the
// reader said is open; a statement typed on several lines goes into the
// history as one entry. COPY data is read raw (a tab stays a tab) after
// the prompt ">> ".
#pragma once

#include <cstdint>
#include <string>

#include "statements/statement_reader.h"
#include "terminal/prompt.h"

namespace tarnwick {

enum class Typed {
  line,         // a line, with its line feed
  end,          // Ctrl-D on an empty line, or the terminal went away
  interrupted,  // Ctrl-C while the line was being typed
  quit,         // "\q" alone, or "quit" or "exit" alone while no statement is open
  invalid,      // a byte that is not valid in the terminal's character set; the
                // line holds the message that says so
};

class TerminalInput {
 public:
  explicit TerminalInput(std::string prompt_name) : prompt_name_(std::move(prompt_name)) {}
  ~TerminalInput();

  // Reads the line the reader asked for: `waiting` is its more_input step,
  // which says what is open.
  Typed read(const Statement& waiting, std::string* line);

  // A line of COPY data, with its line feed, into copy_line(). `end` at
  // "\." alone or Ctrl-D; `interrupted` at Ctrl-C.
  Typed read_copy_line();
  const std::string& copy_line() const { return copy_line_; }

  // The engine and database the next prompts show (after \connect).
  void set_prompt_name(std::string name) { prompt_name_ = std::move(name); }

  // The transaction block the next prompts show.
  void set_transaction(Transaction transaction) { transaction_ = transaction; }

 private:
  void end_history_entry();

  std::string prompt_name_;
  std::string history_entry_;  // the lines of the statement being typed
  std::string copy_line_;
  Transaction transaction_ = Transaction::none;
};

// Whether a typed line ends the input: "\q" alone, or "quit" or "exit"
// alone (any letter case) while no statement is open.
bool is_quit_line(const std::string& line, bool statement_open);

// Reads a line typed at the terminal without echo, after `prompt` (a
// password). False when the input ended before any text.
bool read_password(const std::string& prompt, std::string* password);

// A COPY source (ql_copy_source) over a TerminalInput (the context): one
// typed line a call; 0 at its end; -1 at Ctrl-C.
int32_t copy_data_from_terminal(void* terminal, const char** data);

}  // namespace tarnwick
