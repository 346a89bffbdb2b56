// How many columns of a terminal a text takes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick {

// The columns `text` (`length` bytes) takes on screen when it is UTF-8:
// one per character, two for East Asian wide and fullwidth characters and
// emoji, none for combining marks, zero-width joiners and variation
// selectors. A byte that is not part of a valid UTF-8 sequence counts one.
int64_t utf8_display_width(const char* text, size_t length);

// The columns of one code point: 0, 1 or 2.
int code_point_width(uint32_t code_point);

}  // namespace tarnwick
