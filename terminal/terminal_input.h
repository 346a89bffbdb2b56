// Standard input at a terminal as a source for the statement reader: each
// line comes from the line editor, after a prompt that shows what the
// reader has open. Multi-line statements go into the history as one entry.
//
// The input ends (getc gives -1) at Ctrl-D, when the terminal goes away,
// at a line that holds only "\q", or only "quit" or "exit" while no
// statement is open, and at Ctrl-C while a line is being typed; after the
// last two the reader's last statement is to be thrown away (discarding),
// and after Ctrl-C the reader starts again (resume_after_interrupt).
#pragma once

#include <cstdint>
#include <string>

#include "statements/statement_reader.h"
#include "terminal/byte_source.h"

namespace tarnwick {

class TerminalInput final : public ByteSource {
 public:
  // `buffer` is the reader's statement buffer: text in it that is not blank
  // is an open statement.
  TerminalInput(std::string prompt_name, const StatementBuffer* buffer)
      : prompt_name_(std::move(prompt_name)), buffer_(buffer) {}

  // Whether the text the reader hands on now is to be thrown away.
  bool discarding() const { return discard_; }
  // After a Ctrl-C at the prompt: readies the input for the next line and
  // returns true; false when the input really ended.
  bool resume_after_interrupt();
  // Forgets the rest of the current line (a statement on it was cancelled).
  void drop_rest_of_line() { position_ = line_.size(); }

  int32_t getc() override;
  int32_t ungetc(int32_t c) override;
  int32_t eof() override { return state_ != State::reading && position_ >= line_.size() ? 1 : 0; }

 private:
  enum class State { reading, interrupted, ended };

  bool statement_open() const;
  // Reads the next line into line_, or changes the state.
  void next_line();
  void end_history_entry();

  std::string prompt_name_;
  const StatementBuffer* buffer_;
  std::string line_;  // the current line with its line feed
  size_t position_ = 0;
  State state_ = State::reading;
  bool discard_ = false;
  std::string history_entry_;  // the lines of the statement being typed
};

// Whether a typed line ends the input: "\q" alone, or "quit" or "exit"
// alone (any letter case) while no statement is open.
bool is_quit_line(const std::string& line, bool statement_open);

}  // namespace tarnwick
