#include "support/exception/exception.h"

namespace morvane {

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
