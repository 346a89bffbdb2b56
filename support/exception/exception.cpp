#include "support/exception/exception.h"

#include "support/heap/heap.h"

namespace morvane {

namespace {

// The support library's allocations (heap_allocate, below this library)
// report a refusal of the system as iException. The handler is installed
// when this file is loaded, which is whenever a program uses iException.
[[noreturn]] void throw_refusal(size_t refused_bytes) {
  char text[64];
  format_refusal_message(refused_bytes, text);
  throw iAllocationFailure(text);
}

const bool refusal_handler_installed = (set_refusal_handler(throw_refusal), true);

}  // namespace

iException::iException(const WString& message) : code_(-1), message_(message) {}

iException::iException(const char* message)
    : iException(WString(message, codepage_latin1)) {}

iException::iException(const WString& message, const WString& stack_trace)
    : code_(-1), message_(message), stack_trace_(stack_trace) {}

WString iException::what() const {
  if (stack_trace_.empty()) return message_;
  return message_ + WString("\n**stack trace**\n", codepage_latin1) + stack_trace_;
}

const char* iException::type_name() const { return "Generic exception"; }

}  // namespace morvane
