// One row of the allocator comparison: each thread keeps 10,000 live blocks
// and replaces a random one at every step (free, then malloc of a random size
// from 1 to MAX_SIZE bytes, first byte written). Prints the mean time per
// free+malloc pair over the threads, in ns, and the process's peak RSS in KiB.
//
//   alloc_compare MAX_SIZE THREADS [PAIRS_PER_THREAD]
//
// The same source is built twice: alloc_compare uses whatever malloc the
// process has (glibc's, or one given with LD_PRELOAD), alloc_compare_slab is
// linked with the slab allocator. bench/compare/allocators.sh runs them all.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr size_t kLiveBlocks = 10000;
constexpr size_t kRandomCount = 1 << 16;  // precomputed steps, reused in a ring

std::atomic<int> ready{0};

double run_thread(size_t max_size, size_t pairs, int threads, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> sizes(kRandomCount);
  std::vector<uint32_t> victims(kRandomCount);
  for (size_t i = 0; i < kRandomCount; ++i) {
    sizes[i] = 1 + static_cast<uint32_t>(random() % max_size);
    victims[i] = static_cast<uint32_t>(random() % kLiveBlocks);
  }
  std::vector<char*> live(kLiveBlocks);
  for (size_t i = 0; i < kLiveBlocks; ++i) {
    live[i] = static_cast<char*>(malloc(sizes[i]));
    live[i][0] = 1;
  }
  ready.fetch_add(1);
  while (ready.load() < threads) {
  }
  auto start = std::chrono::steady_clock::now();
  for (size_t i = 0; i < pairs; ++i) {
    size_t step = i & (kRandomCount - 1);
    char*& block = live[victims[step]];
    free(block);
    block = static_cast<char*>(malloc(sizes[step]));
    block[0] = static_cast<char>(i);
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  for (char* block : live) free(block);
  return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(pairs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: alloc_compare MAX_SIZE THREADS [PAIRS_PER_THREAD]\n");
    return 2;
  }
  size_t max_size = std::strtoul(argv[1], nullptr, 10);
  int threads = std::atoi(argv[2]);
  size_t pairs = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20000000;
  std::vector<double> ns(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] { ns[t] = run_thread(max_size, pairs, threads, 1234 + t); });
  }
  for (std::thread& worker : workers) worker.join();
  double total = 0;
  for (double value : ns) total += value;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.1f %ld\n", total / threads, usage.ru_maxrss);
  return 0;
}
