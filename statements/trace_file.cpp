#include "statements/trace_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "support/platform/platform.h"

namespace tarnwick {

uint32_t trace_counter = 0;

namespace {
std::unique_ptr<morvane::iFile> holder;
}

void trace_statement(const char* text) {
  if (holder != nullptr && holder->is_open()) {
    // The 32-bit position reads -1 once the file has passed 2^31 - 1 bytes
    // (one long statement can take it there): that file is full as well.
    const int32_t position = holder->ftell();
    if (position < 0 || position >= TRACE_ROTATE_POSITION) holder.reset();
  }
  if (holder == nullptr) {
    holder = std::make_unique<morvane::iFile>();
    char name[64];
    std::snprintf(name, sizeof name, "SQL.Tarnwick.%d.%09u",
                  static_cast<int>(morvane::platform::process_id()), trace_counter);
    ++trace_counter;
    // A holder whose open failed stays, closed: nothing more is traced.
    holder->open(name, morvane::IF_MODE_CREATE, 0, 0);
  }
  if (!holder->is_open()) return;
  size_t length = std::strlen(text);
  if (length == 0) return;
  holder->write(text, static_cast<uint32_t>(length));
  static const char kLineFeed = '\n';
  holder->write(&kLineFeed, 1);
  holder->flush();
}

void close_trace_file() { holder.reset(); }

morvane::iFile* trace_file_holder() { return holder.get(); }

}  // namespace tarnwick
