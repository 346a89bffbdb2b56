#include "runtime/console_text.h"

namespace tarnwick {

namespace {

void identity(char*) {}

ConsoleConversion to_console_conversion = identity;
ConsoleConversion from_console_conversion = identity;

}  // namespace

void text_to_console(char* text) {
  if (text != nullptr) to_console_conversion(text);
}

void text_from_console(char* text) {
  if (text != nullptr) from_console_conversion(text);
}

void set_console_conversions(ConsoleConversion to_console, ConsoleConversion from_console) {
  to_console_conversion = to_console != nullptr ? to_console : identity;
  from_console_conversion = from_console != nullptr ? from_console : identity;
}

}  // namespace tarnwick
