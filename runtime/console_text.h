// Conversion of text between the terminal's character set and the engine
// code page.
//
// Statements typed at a terminal are converted from the terminal's
// character set before they run (text_from_console); values, captions and
// client messages are converted to it just before they are written to a
// terminal (text_to_console). Callers convert only when the stream is a
// terminal, so scripts, pipes and files pass their bytes unchanged.
//
// Until set_up_console_text chooses the real pair, both are the identity;
// tests install a visible conversion to check that each text is converted
// where it must be, and only there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/codepage/codepage.h"

namespace tarnwick {

// Converts `text`; its length may change (Latin-1 "é" is two bytes in UTF-8).
using ConsoleConversion = void (*)(std::string& text);

void text_to_console(std::string& text);
void text_from_console(std::string& text);
// The same on a NUL-terminated text in a buffer of `capacity` bytes (the
// client error text): the converted text, cut to fit.
void text_to_console(char* text, size_t capacity);

// Columns that console text takes on screen at a UTF-8 terminal once the
// real pair is set up (wcwidth of each character), bytes otherwise.
int64_t console_width(const char* text, size_t length);

// Replaces the pair; null restores the identity (and byte widths).
void set_console_conversions(ConsoleConversion to_console, ConsoleConversion from_console);

// Sets the real pair between the locale's character set and the engine
// code page: typed text goes from the first to the second, engine text the
// other way, and a character the target cannot hold becomes "?". The pair
// stays the identity when both sides are the same character set, and in the
// C locale, which says nothing about what the terminal shows.
void set_up_console_text(morvane::CodePage engine_code_page);

}  // namespace tarnwick
