// The page cache and direct I/O against their system peers, in one run:
//  - random 4 KiB reads over a 256 MiB file through a warm paged file,
//    against pread on a descriptor (the kernel's page cache, also warm);
//  - sequential 64 MiB writes through the uncached file (1 MiB calls from an
//    aligned buffer), against `dd oflag=direct` writing the same amount.
//
//   make bench     (or build-bench/bench/paged_file_bench)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/file/fd_file.h"
#include "support/file/open_flags.h"
#include "support/file/paged_file.h"
#include "support/file/uncached_file.h"

using namespace morvane;

namespace {

constexpr size_t kReadFileSize = 256u << 20;
constexpr size_t kReadSize = 4096;
constexpr size_t kWriteTotal = 64u << 20;
constexpr size_t kWriteCall = 1u << 20;

std::string temp_name(const char* tag) {
  return std::string("/var/tmp/tarnwick-bench-") + tag + "-" + std::to_string(getpid());
}

const std::string& read_file_name() {
  static const std::string name = [] {
    std::string made = temp_name("read");
    int fd = ::open(made.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    std::vector<char> chunk(1u << 20);
    for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 7);
    for (size_t done = 0; done < kReadFileSize; done += chunk.size()) {
      if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) std::abort();
    }
    ::close(fd);
    std::atexit([] { unlink(read_file_name().c_str()); });
    return made;
  }();
  return name;
}

// The same random offsets for both readers.
std::vector<int32_t> offsets() {
  std::mt19937 random(42);
  std::vector<int32_t> result(1 << 16);
  for (int32_t& offset : result) {
    offset = static_cast<int32_t>(random() % (kReadFileSize / kReadSize) * kReadSize);
  }
  return result;
}

void BM_PagedFileRandomRead4K(benchmark::State& state) {
  auto* inner = new iFdFile();
  inner->open(read_file_name().c_str(), IF_MODE_READ, 0);
  iMemoryPagedFile<iFdFile> paged;
  if (!paged.open(inner, IF_MODE_READ, 0)) {
    state.SkipWithError("open failed");
    return;
  }
  std::vector<char> buffer(kReadSize);
  for (size_t at = 0; at < kReadFileSize; at += kReadSize) {  // warm every page
    paged.read_at(buffer.data(), kReadSize, static_cast<int32_t>(at));
  }
  const std::vector<int32_t> where = offsets();
  size_t i = 0;
  for (auto _ : state) {
    paged.read_at(buffer.data(), kReadSize, where[i++ & (where.size() - 1)]);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kReadSize));
}
BENCHMARK(BM_PagedFileRandomRead4K);

void BM_PreadRandomRead4K(benchmark::State& state) {
  int fd = ::open(read_file_name().c_str(), O_RDONLY);
  std::vector<char> buffer(kReadSize);
  for (size_t at = 0; at < kReadFileSize; at += kReadSize) {
    if (::pread(fd, buffer.data(), kReadSize, static_cast<off_t>(at)) < 0) std::abort();
  }
  const std::vector<int32_t> where = offsets();
  size_t i = 0;
  for (auto _ : state) {
    if (::pread(fd, buffer.data(), kReadSize, where[i++ & (where.size() - 1)]) < 0) std::abort();
    benchmark::DoNotOptimize(buffer.data());
  }
  ::close(fd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kReadSize));
}
BENCHMARK(BM_PreadRandomRead4K);

void BM_UncachedFileWrite64M(benchmark::State& state) {
  const std::string name = temp_name("uncached");
  void* buffer = std::aligned_alloc(4096, kWriteCall);
  for (size_t i = 0; i < kWriteCall; ++i) static_cast<char*>(buffer)[i] = static_cast<char>(i);
  for (auto _ : state) {
    iUncachedFile file;
    if (!file.open(name.c_str(), IF_MODE_CREATE, 0)) {
      state.SkipWithError("open failed");
      break;
    }
    for (size_t done = 0; done < kWriteTotal; done += kWriteCall) {
      file.write(buffer, kWriteCall);
    }
    file.close();
  }
  std::free(buffer);
  unlink(name.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kWriteTotal));
}
BENCHMARK(BM_UncachedFileWrite64M)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DdDirectWrite64M(benchmark::State& state) {
  const std::string name = temp_name("dd");
  const std::string command = "dd if=/dev/zero of=" + name + " bs=1M count=" +
                              std::to_string(kWriteTotal / kWriteCall) +
                              " oflag=direct status=none";
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("dd failed");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  unlink(name.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kWriteTotal));
}
BENCHMARK(BM_DdDirectWrite64M)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
