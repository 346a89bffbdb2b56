#include <unistd.h>

#include <string>

#include "ql_client/core/session.h"

namespace ql {

void NoticeSink::set(Handler handler, void* context) {
  std::lock_guard lock(mutex_);
  handler_ = handler;
  context_ = context;
}

void NoticeSink::deliver(const char* text) {
  std::lock_guard lock(mutex_);  // one notice at a time, also across a pool's threads
  if (handler_ != nullptr) handler_(text, context_);
}

void write_notice_line(const char* text) {
  // One write, so that the lines of different sessions do not mix.
  std::string line = text;
  line += '\n';
  size_t done = 0;
  while (done < line.size()) {
    ssize_t written = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (written <= 0) return;  // a closed or full standard error loses the notice, nothing more
    done += static_cast<size_t>(written);
  }
}

}  // namespace ql
