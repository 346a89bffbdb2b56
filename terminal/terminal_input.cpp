#include "terminal/terminal_input.h"

#include <strings.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

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

TerminalInput::~TerminalInput() { end_history_entry(); }

void TerminalInput::end_history_entry() {
  add_history_entry(history_entry_);
  history_entry_.clear();
}

Typed TerminalInput::read(const Statement& waiting, std::string* line) {
  bool statement = waiting.statement_open || waiting.open != OpenText::none;
  if (!statement) end_history_entry();
  std::string typed;
  switch (read_line(prompt_text(prompt_name_, statement, waiting.open, transaction_), &typed)) {
    case LineRead::end:
      end_history_entry();
      end_line();  // the shell's prompt starts on a line of its own
      return Typed::end;
    case LineRead::interrupted:
      history_entry_.clear();
      end_line();
      return Typed::interrupted;
    case LineRead::invalid: {
      history_entry_.clear();
      char message[160];
      std::snprintf(message, sizeof message,
                    "the typed line holds a byte (0x%02X) that is not valid UTF-8; the statement was not run",
                    std::stoi(typed) & 0xFF);
      *line = message;
      return Typed::invalid;
    }
    case LineRead::line:
      break;
  }
  if (is_quit_line(typed, statement)) {
    end_history_entry();
    return Typed::quit;
  }
  if (!history_entry_.empty()) history_entry_ += '\n';
  history_entry_ += typed;
  *line = typed + '\n';
  return Typed::line;
}

Typed TerminalInput::read_copy_line() {
  std::string* line = &copy_line_;
  // Read as typed, not through the line editor, which would take a tab
  // for completion.
  line->clear();
  out_text(">> ");
  end_statement_output();
  for (;;) {
    int c = std::getc(stdin);
    if (c == EOF) {
      bool interrupted = std::ferror(stdin) && errno == EINTR;
      std::clearerr(stdin);
      if (interrupted) {
        end_line();
        return Typed::interrupted;
      }
      if (!line->empty()) break;  // Ctrl-D after some text ends that line
      end_line();
      return Typed::end;
    }
    *line += static_cast<char>(c);
    if (c == '\n') break;
  }
  if (*line == "\\.\n" || *line == "\\.\r\n" || *line == "\\.") return Typed::end;
  if (line->back() != '\n') *line += '\n';
  return Typed::line;
}

bool read_password(const std::string& prompt, std::string* password) {
  out_text(prompt.c_str());
  end_statement_output();
  termios saved{};
  const bool echo_off = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (echo_off) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  password->clear();
  int c = 0;
  while ((c = std::getc(stdin)) != EOF && c != '\n') *password += static_cast<char>(c);
  if (!password->empty() && password->back() == '\r') password->pop_back();
  std::clearerr(stdin);
  if (echo_off) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  end_line();  // the typed line feed was not echoed
  end_statement_output();
  return c != EOF || !password->empty();
}

int32_t copy_data_from_terminal(void* terminal, const char** data) {
  auto* input = static_cast<TerminalInput*>(terminal);
  switch (input->read_copy_line()) {
    case Typed::line:
      *data = input->copy_line().data();
      return static_cast<int32_t>(input->copy_line().size());
    case Typed::interrupted:
      *data = "canceled by user";
      return -1;
    default:
      return 0;
  }
}

}  // namespace tarnwick
