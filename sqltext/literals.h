// A statement's literals, read by the lexer: taken out as typed parameters
// for the prepared protocol, or replaced by $n in the shape that the report
// groups statements by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqltext {

// A statement with its literals taken out.
struct Parameters {
  std::string text;             // the statement with $1, $2, ... in their place
  std::vector<uint32_t> types;  // each parameter's type oid: int4, int8, numeric, or 0 for a quoted string
  std::string values;           // each parameter's text followed by '\0'
  std::vector<size_t> starts;   // where each value starts in `values`
};

// Takes the literals out of a SELECT, INSERT, UPDATE, DELETE, WITH or
// VALUES statement for PostgreSQL: quoted strings ('...') when
// `standard_strings` (the server's standard_conforming_strings) is on, and
// numbers that are not part of a name. What could change meaning as a
// parameter stays as it is: numbers after ORDER BY, GROUP BY and DISTINCT
// ON (column positions there), strings with a prefix (E'', B'', X'', U&'',
// N'', or a type name glued to the quote), dollar-quoted strings, and the
// two integers that only fit once negated. False, with nothing to prepare,
// for other statements, texts that already hold $n, several statements,
// strings continued on another line, unterminated quotes or comments,
// numbers glued to a name (0x1F, 1_000), and statements with more than the
// protocol's 65,535 parameters. A statement with no literal is prepared as
// it stands, with none.
bool parametrize(std::string_view text, bool standard_strings, Parameters* out);

// The longest shape kept; a longer one is cut and ends in "...": a shape
// names a statement, and a multi-megabyte INSERT must not be kept whole.
inline constexpr size_t kMaxShapeLength = 512;

// A statement's text with every literal (strings of any kind, dollar-quoted
// bodies, numbers with their sign) as $1, $2, ..., comments and runs of
// blanks as one space, no blank inside a list's parentheses or before its
// commas, and no trailing ";": statements that differ only in their values
// or layout have one shape.
std::string shape(std::string_view text);

}  // namespace sqltext
