// The command-line parser on arbitrary argument lists: the input is cut at
// NUL bytes into arguments. Checks what the rest of the program relies on
// after parsing: the counts of sessions and statements stay in the range
// the pool accepts (unless "--version" ended the parse), the code page is
// one the client library knows, and every text setting can be narrowed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "console/arguments.h"
#include "console/process_state.h"
#include "runtime/run_settings.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Warnings and the usage line go to standard output.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments{"tarnwick"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  arguments.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());

  tarnwick::reset_process_state();
  bool go_on = tarnwick::parse_arguments(static_cast<int>(argv.size()), argv.data()) ==
               tarnwick::ParseResult::go_on;
  const tarnwick::RunSettings& settings = tarnwick::settings;
  // "--version" ends the run before the counts are checked.
  if (go_on && (settings.sessions < 1 || settings.statements < 1)) std::abort();
  if (settings.code_page != morvane::codepage_latin1 && settings.code_page != morvane::codepage_utf8) {
    std::abort();
  }
  for (const auto& entry : settings.sql_inputs) {
    if (entry.narrow(0) == nullptr) std::abort();
  }
  if (settings.host.narrow(0) == nullptr || settings.port.narrow(0) == nullptr) std::abort();
  tarnwick::reset_process_state();
  return 0;
}
