// Cuts arbitrary bytes into statements and checks what the reader promises:
// it never hands on more bytes than it read (comments only remove bytes,
// blanks replace them one for one), at least one statement is handed on, and
// the buffer is empty afterwards. (A NUL byte inside quotes ends the text that
// the sink sees, so the ";" of such a statement is not visible here.)
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "statements/statement_reader.h"
#include "support/file/file.h"

namespace {

size_t handed_bytes = 0;
size_t statements = 0;
void count(char* text, bool*) {
  handed_bytes += std::strlen(text);
  ++statements;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_statement_reader." + std::to_string(getpid());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  // Each dialect in turn: dollar quotes, identifiers, trigger bodies, copy
  // data and client commands only ever drop bytes or keep them as read.
  for (tarnwick::Dialect dialect :
       {tarnwick::Dialect::plain, tarnwick::Dialect::postgres, tarnwick::Dialect::sqlite}) {
    morvane::iFile source;
    if (!source.open(path.c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0)) return 0;
    tarnwick::StatementBuffer buffer;
    bool stop_flag = false;
    handed_bytes = 0;
    statements = 0;
    tarnwick::ReaderOptions options;
    options.dialect = dialect;
    options.source_name = "fuzz";
    tarnwick::read_statements(source, buffer, count, &stop_flag, options);
    if (handed_bytes > size || statements == 0 || buffer.length != 0) std::abort();
  }
  return 0;
}
