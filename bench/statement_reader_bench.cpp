// The statement reader cutting a script of 20,000 INSERT statements, read
// byte by byte (as from a line editor) and in blocks (as scripts are read),
// for each dialect; next to it the peer's way of finding statement ends,
// the SQLite shell's: sqlite3_complete over the text gathered line by line.
// Throughput is in bytes of script per second.
//
//   make bench     (or build-bench/bench/statement_reader_bench)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "statements/statement_reader.h"
#include "support/file/file.h"

namespace {

constexpr int kStatements = 20000;

std::string script_text() {
  std::string text;
  char line[128];
  for (int i = 1; i <= kStatements; ++i) {
    std::snprintf(line, sizeof line, "insert into bench_rows values (%d, 'name %d', %d.5);\n", i, i, i);
    text += line;
  }
  return text;
}

// The script, written once to a file that lives as long as the process.
const std::string& script_path() {
  static const std::string path = [] {
    std::string name = "/tmp/statement_reader_bench." + std::to_string(getpid()) + ".sql";
    std::string text = script_text();
    FILE* file = std::fopen(name.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::atexit([] { std::remove(script_path().c_str()); });
    return name;
  }();
  return path;
}


void BM_Reader(benchmark::State& state) {
  auto dialect = static_cast<tarnwick::Dialect>(state.range(0));
  auto block_size = static_cast<uint32_t>(state.range(1));
  const std::string& path = script_path();
  tarnwick::StatementBuffer buffer;
  for (auto _ : state) {
    morvane::iFile source;
    source.open(path.c_str(), morvane::IF_MODE_READ, morvane::IF_BUFFERED, 0);
    tarnwick::ReaderOptions options;
    options.dialect = dialect;
    options.block_size = block_size;
    size_t handed = 0;
    tarnwick::StatementReader reader(&source, buffer, options);
    for (tarnwick::Statement s = reader.next(); s.step != tarnwick::ReadStep::end; s = reader.next()) {
      handed += s.step == tarnwick::ReadStep::statement && std::strchr(s.text, ';') != nullptr;
    }
    if (handed != kStatements) state.SkipWithError("wrong statement count");
  }
  tarnwick::release(buffer);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(script_text().size()));
}
BENCHMARK(BM_Reader)
    ->ArgNames({"dialect", "block"})
    ->Args({0, 0})
    ->Args({0, tarnwick::kReadBlockSize})
    ->Args({1, 0})
    ->Args({1, tarnwick::kReadBlockSize})
    ->Args({2, 0})
    ->Args({2, tarnwick::kReadBlockSize});

// The peer: read lines with fgets, append each to the statement so far and
// ask sqlite3_complete whether it ends there.
void BM_PeerSqliteComplete(benchmark::State& state) {
  const std::string& path = script_path();
  for (auto _ : state) {
    FILE* file = std::fopen(path.c_str(), "rb");
    std::string statement;
    char line[4096];
    int count = 0;
    while (std::fgets(line, sizeof line, file) != nullptr) {
      statement += line;
      if (sqlite3_complete(statement.c_str())) {
        ++count;
        statement.clear();
      }
    }
    std::fclose(file);
    if (count != kStatements) state.SkipWithError("wrong statement count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(script_text().size()));
}
BENCHMARK(BM_PeerSqliteComplete);

}  // namespace
