// The command line: the parser that fills RunSettings, the usage line and
// the version banner.
#pragma once

namespace tarnwick {

enum class ParseResult { go_on, version_shown };

// Examines argv[1] to argv[argc - 1] in order. Never fails: bad numbers
// fall back to defaults, unknown arguments are reported and skipped.
ParseResult parse_arguments(int argc, const char* const* argv);

void print_usage();
void print_banner();

}  // namespace tarnwick
