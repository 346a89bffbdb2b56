// Line editing and history at a terminal, over libedit: arrow keys,
// Home/End, Ctrl-R search, and a bounded history kept in a file between
// runs. One editor per process, on standard input and output.
#pragma once

#include <string>

namespace tarnwick {

// The most entries the history keeps (in memory and in its file).
inline constexpr int kHistorySize = 500;

enum class LineRead {
  line,         // a line was typed (its text, without the line feed)
  end,          // Ctrl-D on an empty line, or the terminal went away
  interrupted,  // Ctrl-C while the line was being typed
  invalid,      // the line held a byte the terminal's character set cannot hold;
                // its value (decimal) is what read_line leaves in the line
};

// Starts the editor and loads the history from `history_path` (empty: no
// history file). A file that exists and cannot be read (a symbolic link
// planted there included: it is not followed) writes one warning to
// standard error; the editor then works without it, and that file is
// never written.
void open_line_editor(const std::string& history_path);

// Shows `prompt` and reads one line.
LineRead read_line(const std::string& prompt, std::string* line);

// Adds an entry (a whole statement, line feeds included) to the history.
void add_history_entry(const std::string& entry);

// Saves the history under a new name beside the file, then renamed over
// it, with the old file's mode (0600 for a first one); one warning, at
// most, when that fails. Ends the editor. Nothing when it was not opened.
void close_line_editor();

}  // namespace tarnwick
