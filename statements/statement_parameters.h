// The parameters of a statement run through the extended protocol, as a
// server log shows them, put back into its text as literals, so that the
// statement can be sent again on its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Reads the detail the server logs with an execute, "parameters: $1 =
// '42', $2 = NULL": values[n - 1] is the literal of $n as logged (quoted
// with quotes inside doubled, or NULL). False when the text is not such a
// list, its numbers not 1, 2, ... in order.
bool read_parameter_values(std::string_view detail, std::vector<std::string>* values);

// Puts values[n - 1] in place of each $n of `text` that stands outside
// string constants, quoted identifiers, comments and dollar-quoted bodies
// ($10 is the tenth parameter, never the first followed by 0; a$1 is a
// name). Returns 0, or the number of a parameter without a value, when
// `out` is then incomplete.
size_t bind_parameters(std::string_view text, const std::vector<std::string>& values, std::string* out);

}  // namespace tarnwick
