#include "terminal/line_editor.h"

#include <fcntl.h>
#include <histedit.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/console_output.h"
#include "support/codepage/codepage.h"
#include "support/platform/platform.h"
#include "terminal/interrupts.h"

namespace tarnwick {

namespace {

EditLine* editor = nullptr;
History* history = nullptr;
std::string history_file;
std::string current_prompt;
bool history_warned = false;  // one warning per run, whatever fails
// A history file that exists and could not be read is never written: what
// it holds is not ours to replace.
bool history_unreadable = false;
// The file read at start, whose mode and owner the saved history keeps.
bool history_existed = false;
struct stat history_status {};

char* prompt_of(EditLine*) { return current_prompt.data(); }

// At a UTF-8 terminal the editor's characters are read here rather than by
// libedit, which drops a byte that starts no valid character without a
// word: the typed statement would run without it. Such a byte is shown as
// U+FFFD and remembered, and the line is refused (LineRead::invalid).
int invalid_byte = -1;   // the first invalid byte of the line being typed
int pushed_back = -1;    // a byte read past an unfinished sequence

// One byte of standard input: 1, 0 at its end, -1 on an error (errno, EINTR
// at Ctrl-C, as libedit expects).
int read_byte(unsigned char* byte) {
  if (pushed_back >= 0) {
    *byte = static_cast<unsigned char>(pushed_back);
    pushed_back = -1;
    return 1;
  }
  ssize_t got = ::read(STDIN_FILENO, byte, 1);
  return got == 1 ? 1 : got == 0 ? 0 : -1;
}

int read_utf8_character(EditLine*, wchar_t* character) {
  unsigned char lead;
  int got = read_byte(&lead);
  if (got != 1) return got;
  int length = morvane::utf8_sequence_length(lead);
  if (length == 1) {
    *character = lead;
    return 1;
  }
  char32_t code = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
  bool valid = length >= 2 && length <= 4;
  for (int k = 1; valid && k < length; ++k) {
    unsigned char next;
    got = read_byte(&next);
    if (got != 1) return got;
    if ((next & 0xC0) != 0x80) {
      pushed_back = next;  // the start of what comes next
      valid = false;
      break;
    }
    code = code << 6 | (next & 0x3F);
  }
  if (!valid) {
    if (invalid_byte < 0) invalid_byte = lead;
    code = 0xFFFD;
  }
  *character = static_cast<wchar_t>(code);
  return 1;
}

// "Warning : cannot read history file PATH (reason), going on without it";
// no reason when the system gave none.
void warn_history(const char* action, int error_number) {
  if (history_warned) return;
  history_warned = true;
  std::string text = " history file " + history_file;
  if (error_number != 0) text += std::string(" (") + std::strerror(error_number) + ")";
  error_line("Warning : cannot ", action, (text + ", going on without it").c_str());
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

// Loads the history through a descriptor opened without following a
// symbolic link: a link planted at the name, a directory, a device or a
// file that is not a history all count as unreadable.
void load_history() {
  if (history_file.empty()) return;
  int descriptor = ::open(history_file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    if (errno == ENOENT) return;  // a first run has no history yet
    history_unreadable = true;
    warn_history("read", errno);
    return;
  }
  history_existed = true;
  int error = 0;
  if (fstat(descriptor, &history_status) != 0) {
    error = errno;
  } else if (!S_ISREG(history_status.st_mode)) {
    error = S_ISDIR(history_status.st_mode) ? EISDIR : EINVAL;
  }
  bool loaded = error == 0;
  if (loaded && history_status.st_size > 0) {  // an empty file is an empty history
    // libedit loads by name only: the name of the open descriptor reads the
    // file just checked, whatever has taken its name since.
    std::string name = "/proc/self/fd/" + std::to_string(descriptor);
    if (access(name.c_str(), R_OK) != 0) name = history_file;  // no /proc
    HistEvent event;
    errno = 0;
    loaded = ::history(history, &event, H_LOAD, name.c_str()) >= 0;
    error = errno;
  }
  ::close(descriptor);
  if (!loaded) {
    history_unreadable = true;
    warn_history("read", error);
  }
}

// Writes the history to a new file beside the old one and renames it over
// it: a run that stops half-way leaves the old history whole. The new file
// keeps the old one's mode (and owner, where the process may set it); a
// first history file is private (0600).
void save_history() {
  if (history_file.empty() || history_unreadable) return;
  const std::string stem = history_file + ".tarnwick-" + std::to_string(morvane::platform::process_id()) + "-";
  std::string temporary;
  int descriptor = -1;
  for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
    temporary = stem + std::to_string(attempt);
    descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0 && errno != EEXIST) break;
  }
  if (descriptor < 0) {
    warn_history("write", errno);
    return;
  }
  FILE* stream = fdopen(descriptor, "w");
  if (stream == nullptr) {
    const int error = errno;
    ::close(descriptor);
    ::unlink(temporary.c_str());
    warn_history("write", error);
    return;
  }
  HistEvent event;
  errno = 0;
  bool saved = ::history(history, &event, H_SAVE_FP, stream) >= 0 && std::fflush(stream) == 0;
  // libedit makes the file 0600 as it saves; the old file's mode wins.
  if (saved && history_existed) {
    // Only root may give the file away; where that fails it stays root's.
    if (geteuid() == 0) static_cast<void>(fchown(descriptor, history_status.st_uid, history_status.st_gid) == 0);
    saved = fchmod(descriptor, history_status.st_mode & 07777) == 0;
  }
  saved = saved && fsync(descriptor) == 0;
  saved = std::fclose(stream) == 0 && saved;
  saved = saved && std::rename(temporary.c_str(), history_file.c_str()) == 0;
  if (!saved) {
    const int error = errno;
    ::unlink(temporary.c_str());
    warn_history("write", error);
  }
}

}  // namespace

void open_line_editor(const std::string& history_path) {
  if (editor != nullptr) return;
  history_file = history_path;
  history_unreadable = false;
  history_existed = false;
  editor = el_init("tarnwick", stdin, stdout, stderr);
  el_set(editor, EL_EDITOR, "emacs");
  el_set(editor, EL_PROMPT, prompt_of);
  std::string charset = morvane::platform::locale_charset();
  if (strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0) {
    el_set(editor, EL_GETCFN, read_utf8_character);
  }
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
  invalid_byte = -1;
  int count = 0;
  const char* text = el_gets(editor, &count);
  if (text == nullptr || count <= 0) {
    if (take_interrupt()) return LineRead::interrupted;
    return LineRead::end;
  }
  line->assign(text, static_cast<size_t>(count));
  if (!line->empty() && line->back() == '\n') line->pop_back();
  if (invalid_byte >= 0) {
    *line = std::to_string(invalid_byte);
    return LineRead::invalid;
  }
  return LineRead::line;
}

void add_history_entry(const std::string& entry) {
  if (history == nullptr || entry.find_first_not_of(" \t\n") == std::string::npos) return;
  HistEvent event;
  ::history(history, &event, H_ENTER, entry.c_str());
}

void close_line_editor() {
  if (editor == nullptr) return;
  save_history();
  el_end(editor);
  history_end(history);
  editor = nullptr;
  history = nullptr;
}

}  // namespace tarnwick
