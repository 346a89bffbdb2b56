// COPY data, handed out only when the engine asks for it (it has entered
// COPY IN): the lines after the COPY statement's own line, up to "\.", in
// runs of whole lines straight from the scanner's window.
#include <string>

#include "statements/statement_scanner.h"

namespace tarnwick {

CopyData StatementReader::Scanner::next_copy_data(const char** bytes, size_t* length) {
  if (!copy_taken_) {
    // The data begins on the next line: the rest of this one is read as
    // statements after the data.
    copy_taken_ = true;
    held_line_.clear();
    int c;
    while ((c = get()) != kEnd) {
      held_line_ += static_cast<char>(c);
      if (c == '\n') break;
    }
    copy_first_line_ = line_;
  }
  copy_line_.clear();
  for (;;) {
    if (at_ == end_ && !refill()) {
      if (copy_line_.empty()) return CopyData::source_ended;
      // The last line of the source, without a line feed.
      if (copy_line_ == "\\." || copy_line_ == "\\.\r") return CopyData::end_marker;
      *bytes = copy_line_.data();
      *length = copy_line_.size();
      return CopyData::data;
    }
    // Whole lines in the window go out as they are, up to a line "\.".
    const unsigned char* line = at_;
    const unsigned char* complete = at_;  // past the last whole data line
    if (!copy_line_.empty()) {
      // A line begun in the last window: finish it first.
      const void* feed = std::memchr(at_, '\n', static_cast<size_t>(end_ - at_));
      const unsigned char* stop = feed != nullptr ? static_cast<const unsigned char*>(feed) + 1 : end_;
      copy_line_.append(reinterpret_cast<const char*>(at_), static_cast<size_t>(stop - at_));
      at_ = stop;
      if (feed == nullptr) continue;
      ++line_;
      if (copy_line_ == "\\.\n" || copy_line_ == "\\.\r\n") return CopyData::end_marker;
      *bytes = copy_line_.data();
      *length = copy_line_.size();
      return CopyData::data;
    }
    for (;;) {
      const void* feed = std::memchr(line, '\n', static_cast<size_t>(end_ - line));
      if (feed == nullptr) break;
      const unsigned char* next_line = static_cast<const unsigned char*>(feed) + 1;
      size_t size = static_cast<size_t>(next_line - line);
      if ((size == 3 || (size == 4 && line[2] == '\r')) && line[0] == '\\' && line[1] == '.') {
        if (complete > at_) break;  // the data before the marker goes first
        at_ = next_line;
        ++line_;
        return CopyData::end_marker;
      }
      complete = next_line;
      line = next_line;
      ++line_;
    }
    if (complete > at_) {
      *bytes = reinterpret_cast<const char*>(at_);
      *length = static_cast<size_t>(complete - at_);
      at_ = complete;
      return CopyData::data;
    }
    // A line that runs past the window: gather it.
    copy_line_.assign(reinterpret_cast<const char*>(at_), static_cast<size_t>(end_ - at_));
    at_ = end_;
  }
}


}  // namespace tarnwick
