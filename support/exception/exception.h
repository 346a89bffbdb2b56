// iException: the root of the support library's exceptions.
//
// Failures that a caller cannot be expected to check through a return value
// are thrown as iException or one of its subclasses, always by value. The
// class does not derive from std::exception: its `what` returns a WString.
#pragma once

#include <cstdint>

#include "support/string/wstring.h"

namespace morvane {

class iException {
 public:
  // Code -1, the message copied, an empty stack trace.
  explicit iException(const WString& message);
  // The message decoded as ISO-8859-1.
  explicit iException(const char* message);
  // With a stack trace, which `what` appends to the message.
  iException(const WString& message, const WString& stack_trace);
  iException(const iException& other) = default;
  iException& operator=(const iException& other) = default;

  // The message alone when the stack trace is empty; otherwise the message,
  // "\n**stack trace**\n" and the stack trace.
  virtual WString what() const;
  // "Generic exception", for every member of the family.
  virtual const char* type_name() const;

  // Virtual so that a subclass held through a base pointer is destroyed
  // whole; it comes after the two operations above in the table.
  virtual ~iException() = default;

  int32_t code() const { return code_; }
  const WString& message() const { return message_; }
  const WString& stack_trace() const { return stack_trace_; }

 private:
  int32_t code_;
  WString message_;
  WString stack_trace_;
};

// An allocation the system refused ("MEMORY ALLOCATION FAILURE [0x…]
// bytes"), already reported by the allocator where it happened; its own
// type, so that a caller tells it apart without reading the message.
class iAllocationFailure : public iException {
 public:
  explicit iAllocationFailure(const char* message) : iException(message) {}
};

}  // namespace morvane
