// Cuts arbitrary bytes into statements and checks what the reader promises:
// it never hands on more bytes than it read (comments only remove bytes,
// blanks replace them one for one), at least one statement is handed on, and
// the buffer is empty afterwards. (A NUL byte inside quotes ends the text that
// the sink sees, so the ";" of such a statement is not visible here.) Reading
// in blocks must cut exactly as reading byte by byte does, whatever the block
// size (the input's first byte picks a small one).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sqltext/statement_info.h"
#include "statements/statement_reader.h"
#include "support/file/file.h"

namespace {

size_t handed_bytes = 0;
std::vector<std::string> statements;

// The statements cut from the file at `path`, read in blocks of
// `block_size` bytes (0: byte by byte).
std::vector<std::string> cut(const std::string& path, tarnwick::Dialect dialect, uint32_t block_size,
                             size_t size) {
  morvane::iFile source;
  if (!source.open(path.c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0)) std::abort();
  tarnwick::StatementBuffer buffer;
  handed_bytes = 0;
  statements.clear();
  tarnwick::ReaderOptions options;
  options.dialect = dialect;
  options.source_name = "fuzz";
  options.block_size = block_size;
  {
    // As the loop would with an engine that asks for the data of every
    // "copy ... from stdin".
    tarnwick::StatementReader reader(&source, buffer, options);
    for (tarnwick::Statement s = reader.next(); s.step != tarnwick::ReadStep::end; s = reader.next()) {
      handed_bytes += std::strlen(s.text);
      std::string statement(s.text);
      if (s.step == tarnwick::ReadStep::statement && sqltext::classify({s.text, s.length}).copy_from_client) {
        const char* bytes = nullptr;
        size_t length = 0;
        statement += "|";
        while (reader.next_copy_data(&bytes, &length) == tarnwick::CopyData::data) {
          handed_bytes += length;
          statement.append(bytes, length);
        }
      }
      statements.push_back(std::move(statement));
    }
  }
  if (handed_bytes > size || statements.empty() || buffer.length != 0) std::abort();
  tarnwick::release(buffer);
  return statements;
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
  uint32_t block_size = size > 0 ? data[0] % 13 + 1 : 1;
  for (tarnwick::Dialect dialect :
       {tarnwick::Dialect::plain, tarnwick::Dialect::postgres, tarnwick::Dialect::sqlite}) {
    std::vector<std::string> by_bytes = cut(path, dialect, 0, size);
    if (cut(path, dialect, block_size, size) != by_bytes) std::abort();
  }
  return 0;
}
