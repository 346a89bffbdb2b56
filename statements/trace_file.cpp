#include "statements/trace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "runtime/console_output.h"
#include "support/platform/platform.h"

namespace tarnwick {

uint32_t trace_counter = 0;

namespace {

std::unique_ptr<morvane::iFile> holder;
char holder_name[64];
// A failed write is reported once a run; a file that cannot be created is
// reported each time, which is at most once (no other name is tried).
bool write_failure_reported = false;

// The end of the message about a trace file: "'" and the system's reason.
std::string reason(int error_number) {
  if (error_number == 0) return "'";
  return std::string("': ") + std::strerror(error_number);
}

}  // namespace

void trace_statement(const char* text) {
  if (holder != nullptr && holder->is_open()) {
    // The 32-bit position reads -1 once the file has passed 2^31 - 1 bytes
    // (one long statement can take it there): that file is full as well.
    const int32_t position = holder->ftell();
    if (position < 0 || position >= TRACE_ROTATE_POSITION) holder.reset();
  }
  if (holder == nullptr) {
    holder = std::make_unique<morvane::iFile>();
    std::snprintf(holder_name, sizeof holder_name, "SQL.Tarnwick.%d.%09u",
                  static_cast<int>(morvane::platform::process_id()), trace_counter);
    ++trace_counter;
    // A holder whose open failed stays, closed: nothing more is traced.
    bool opened = false;
    errno = 0;
    try {
      // A symbolic link planted at the name is refused, never written through;
      // an existing regular file is emptied.
      opened = holder->open(holder_name, morvane::IF_MODE_CREATE, morvane::IF_NOFOLLOW, 0) && holder->is_open();
    } catch (const morvane::iFile::TooManyOpenFiles&) {
      errno = EMFILE;
    }
    if (!opened) {
      std::string why = reason(errno);
      holder->close();
      note_lost_output("Cannot create trace file '", holder_name, why.c_str());
    }
  }
  if (!holder->is_open()) return;
  size_t length = std::strlen(text);
  if (length == 0) return;
  static const char kLineFeed = '\n';
  errno = 0;
  bool written = holder->write(text, static_cast<uint32_t>(length)) == static_cast<int32_t>(length) &&
                 holder->write(&kLineFeed, 1) == 1;
  written = holder->flush() == 0 && written;
  if (!written && !write_failure_reported) {
    write_failure_reported = true;
    note_lost_output("Cannot write trace file '", holder_name, reason(errno).c_str());
  }
}

void close_trace_file() {
  holder.reset();
  write_failure_reported = false;
}

morvane::iFile* trace_file_holder() { return holder.get(); }

}  // namespace tarnwick
