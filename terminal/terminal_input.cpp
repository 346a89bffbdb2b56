#include "terminal/terminal_input.h"

#include <strings.h>

#include "runtime/console_output.h"
#include "terminal/line_editor.h"
#include "terminal/prompt.h"

namespace tarnwick {

namespace {

std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool is_quit_line(const std::string& line, bool statement_open) {
  std::string word = trimmed(line);
  if (word == "\\q") return true;
  return !statement_open && (strcasecmp(word.c_str(), "quit") == 0 || strcasecmp(word.c_str(), "exit") == 0);
}

bool TerminalInput::statement_open() const {
  for (size_t i = 0; i < buffer_->length; ++i) {
    if (buffer_->data[i] != ' ') return true;
  }
  return false;
}

void TerminalInput::end_history_entry() {
  add_history_entry(history_entry_);
  history_entry_.clear();
}

void TerminalInput::next_line() {
  OpenText open = open_text();
  bool statement = statement_open() || open != OpenText::none;
  if (!statement) end_history_entry();
  std::string typed;
  switch (read_line(prompt_text(prompt_name_, statement, open), &typed)) {
    case LineRead::end:
      end_history_entry();
      state_ = State::ended;
      end_line();  // the shell's prompt starts on a line of its own
      return;
    case LineRead::interrupted:
      history_entry_.clear();
      state_ = State::interrupted;
      discard_ = true;
      end_line();
      return;
    case LineRead::line:
      break;
  }
  if (is_quit_line(typed, statement)) {
    end_history_entry();
    state_ = State::ended;
    discard_ = true;
    return;
  }
  if (!history_entry_.empty()) history_entry_ += '\n';
  history_entry_ += typed;
  line_ = typed + '\n';
  position_ = 0;
}

bool TerminalInput::resume_after_interrupt() {
  if (state_ != State::interrupted) return false;
  state_ = State::reading;
  discard_ = false;
  line_.clear();
  position_ = 0;
  return true;
}

int32_t TerminalInput::getc() {
  if (position_ >= line_.size()) {
    if (state_ != State::reading) return -1;
    next_line();
    if (state_ != State::reading) return -1;
  }
  return static_cast<unsigned char>(line_[position_++]);
}

int32_t TerminalInput::ungetc(int32_t c) {
  if (c < 0 || position_ == 0) return -1;
  line_[--position_] = static_cast<char>(c);
  return c;
}

}  // namespace tarnwick
