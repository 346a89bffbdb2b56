// The command line: the parser that fills RunSettings, the usage line and
// the version banner.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

enum class ParseResult { go_on, version_shown, help_shown };

// Examines argv[1] to argv[argc - 1] in order. Never fails: bad numbers
// fall back to defaults, unknown arguments are reported and skipped.
ParseResult parse_arguments(int argc, const char* const* argv);

void print_usage();
// Every option of the table, one line each, in groups (--help alone).
void print_options();
// The text of every option of the table, in its order.
std::vector<std::string> option_texts();
void print_banner();

}  // namespace tarnwick
