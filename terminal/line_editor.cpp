#include "terminal/line_editor.h"

#include <histedit.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "runtime/console_output.h"
#include "terminal/interrupts.h"

namespace tarnwick {

namespace {

EditLine* editor = nullptr;
History* history = nullptr;
std::string history_file;
std::string current_prompt;
bool history_warned = false;  // one warning per run, whatever fails

char* prompt_of(EditLine*) { return current_prompt.data(); }

void warn_history(const char* action) {
  if (history_warned) return;
  history_warned = true;
  error_line("Warning : cannot ", action, (" history file " + history_file + ", going on without it").c_str());
}

// Keys that terminals send for Home, End and Delete, beside the arrow keys
// that libedit binds from the terminal's description.
void bind_keys() {
  static const char* const kBindings[][2] = {
      {"\\e[H", "ed-move-to-beg"},  {"\\e[F", "ed-move-to-end"},
      {"\\eOH", "ed-move-to-beg"},  {"\\eOF", "ed-move-to-end"},
      {"\\e[1~", "ed-move-to-beg"}, {"\\e[4~", "ed-move-to-end"},
      {"\\e[7~", "ed-move-to-beg"}, {"\\e[8~", "ed-move-to-end"},
      {"\\e[3~", "ed-delete-next-char"},
      {"^R", "em-inc-search-prev"},
  };
  for (const auto& binding : kBindings) el_set(editor, EL_BIND, binding[0], binding[1], nullptr);
}

void load_history() {
  if (history_file.empty()) return;
  struct stat status;
  if (stat(history_file.c_str(), &status) != 0) {
    if (errno != ENOENT) warn_history("read");
    return;  // a first run has no history yet
  }
  HistEvent event;
  if (!S_ISREG(status.st_mode) || access(history_file.c_str(), R_OK) != 0 ||
      ::history(history, &event, H_LOAD, history_file.c_str()) < 0) {
    warn_history("read");
  }
}

}  // namespace

void open_line_editor(const std::string& history_path) {
  if (editor != nullptr) return;
  history_file = history_path;
  editor = el_init("tarnwick", stdin, stdout, stderr);
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_PROMPT, prompt_of);
  bind_keys();
  history = history_init();
  HistEvent event;
  ::history(history, &event, H_SETSIZE, kHistorySize);
  ::history(history, &event, H_SETUNIQUE, 1);
  el_set(editor, EL_HIST, ::history, history);
  load_history();
}

LineRead read_line(const std::string& prompt, std::string* line) {
  current_prompt = prompt;
  take_interrupt();  // a Ctrl-C from before this prompt does not count
  int count = 0;
  const char* text = el_gets(editor, &count);
  if (text == nullptr || count <= 0) {
    if (take_interrupt()) return LineRead::interrupted;
    return LineRead::end;
  }
  line->assign(text, static_cast<size_t>(count));
  if (!line->empty() && line->back() == '\n') line->pop_back();
  return LineRead::line;
}

void add_history_entry(const std::string& entry) {
  if (history == nullptr || entry.find_first_not_of(" \t\n") == std::string::npos) return;
  HistEvent event;
  ::history(history, &event, H_ENTER, entry.c_str());
}

void close_line_editor() {
  if (editor == nullptr) return;
  if (!history_file.empty()) {
    HistEvent event;
    if (::history(history, &event, H_SAVE, history_file.c_str()) < 0) warn_history("write");
  }
  el_end(editor);
  history_end(history);
  editor = nullptr;
  history = nullptr;
}

}  // namespace tarnwick
