// The shape of a statement: its text with every literal replaced by $1,
// $2, ... in order, comments dropped and blanks folded to one space, so
// that the statements a program sends with different values count as one
// in the report ("select * from t where id = $1").
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Shapes longer than this end in "...": a shape names a statement, and a
// multi-megabyte INSERT must not be kept whole for it.
inline constexpr size_t kMaxShapeLength = 512;

// Literals are numbers (not part of a name), quoted strings ('...', with ''
// inside; E'...' with backslash escapes) and dollar-quoted strings
// ($tag$...$tag$). Quoted names ("...") and parameters already written as
// $n stay as they are. Comments (-- to the end of the line, /* ... */,
// nested) are dropped.
std::string statement_shape(std::string_view text);

}  // namespace tarnwick
