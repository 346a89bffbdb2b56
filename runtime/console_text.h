// Conversion of text between the terminal's code page and the program's.
//
// Statements typed at a terminal are converted from the terminal's code
// page before they run (text_from_console); values, captions and client
// messages are converted to it just before they are written to a terminal
// (text_to_console). Both work in place on a NUL-terminated text and never
// change its length. On Linux the terminal and the program share one code
// page, so both are the identity; tests install a visible conversion to
// check that each text is converted where it must be, and only there.
#pragma once

namespace tarnwick {

using ConsoleConversion = void (*)(char* text);

void text_to_console(char* text);
void text_from_console(char* text);

// Replaces the pair; null restores the identity.
void set_console_conversions(ConsoleConversion to_console, ConsoleConversion from_console);

}  // namespace tarnwick
