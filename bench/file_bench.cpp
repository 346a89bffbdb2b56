// Sequential getc over a 64 MiB file: through the buffered file, through a
// plain descriptor file (one system call per byte, so it reads a 1 MiB
// prefix), and through stdio's fgetc, all in one run.
//
//   make bench     (or build-bench/bench/file_bench)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/file/buffered_file.h"
#include "support/file/fd_file.h"
#include "support/file/file.h"
#include "support/file/open_flags.h"

using namespace morvane;

namespace {

constexpr size_t kFileSize = 64u << 20;
constexpr size_t kPlainPrefix = 1u << 20;

// The test file, made once per process and removed at exit.
const std::string& test_file() {
  static const std::string name = [] {
    char pattern[] = "/tmp/tarnwick-bench-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd == -1) std::abort();
    std::vector<char> chunk(1u << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 31 + 7);
    for (size_t done = 0; done < kFileSize; done += chunk.size()) {
      if (write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) std::abort();
    }
    close(fd);
    std::string made = pattern;
    std::atexit([] { unlink(test_file().c_str()); });
    return made;
  }();
  return name;
}

template <typename File>
void getc_through(benchmark::State& state, size_t bytes) {
  for (auto _ : state) {
    File file;
    if (!file.open(test_file().c_str(), IF_MODE_READ, 0)) {
      state.SkipWithError("open failed");
      break;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < bytes; ++i) sum += static_cast<unsigned>(file.getc());
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_GetcBufferedFile(benchmark::State& state) {
  getc_through<iBufferedFile<iFdFile>>(state, kFileSize);
}
BENCHMARK(BM_GetcBufferedFile)->Unit(benchmark::kMillisecond);

// The same through the holder, as the program reads its files (a virtual
// call per byte).
void BM_GetcBufferedThroughHolder(benchmark::State& state) {
  for (auto _ : state) {
    iFile file;
    if (!file.open(test_file().c_str(), IF_MODE_READ, IF_BUFFERED, 0)) {
      state.SkipWithError("open failed");
      break;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < kFileSize; ++i) sum += static_cast<unsigned>(file.getc());
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_GetcBufferedThroughHolder)->Unit(benchmark::kMillisecond);

void BM_GetcPlainFdFile(benchmark::State& state) {
  getc_through<iFdFile>(state, kPlainPrefix);
}
BENCHMARK(BM_GetcPlainFdFile)->Unit(benchmark::kMillisecond);

void BM_GetcStdioFgetc(benchmark::State& state) {
  for (auto _ : state) {
    FILE* stream = std::fopen(test_file().c_str(), "rb");
    if (stream == nullptr) {
      state.SkipWithError("fopen failed");
      break;
    }
    unsigned sum = 0;
    for (size_t i = 0; i < kFileSize; ++i) sum += static_cast<unsigned>(std::fgetc(stream));
    benchmark::DoNotOptimize(sum);
    std::fclose(stream);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_GetcStdioFgetc)->Unit(benchmark::kMillisecond);

}  // namespace
