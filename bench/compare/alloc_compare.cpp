// One row of the allocator comparison: each thread keeps 10,000 live blocks
// and replaces a random one at every step (free, then malloc of a random size
// from 1 to MAX_SIZE bytes, first byte written). Prints the mean time per
// free+malloc pair over the threads, in ns, and the process's peak RSS in KiB.
// The time is each thread's CPU time, not the wall clock: on a shared
// machine the wall clock mostly measures how long other processes held the
// cores.
//
// With THREADS "pc" one producer thread allocates blocks of random sizes and
// hands them through a ring of 10,000 to one consumer thread, which frees
// them: every block is freed by another thread than the one that allocated
// it. The time is the CPU time of both threads per block; a thread that
// finds the ring full or empty yields its core rather than spin on.
//
//   alloc_compare MAX_SIZE THREADS|pc [PAIRS_PER_THREAD]
//
// The same source is built twice: alloc_compare uses whatever malloc the
// process has (glibc's, or one given with LD_PRELOAD), alloc_compare_slab is
// linked with the slab allocator. bench/compare/allocators.sh runs them all.
#include <sched.h>
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr size_t kLiveBlocks = 10000;
constexpr size_t kRandomCount = 1 << 16;  // precomputed steps, reused in a ring

std::atomic<int> ready{0};

double thread_cpu_ns() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

// Waits for `done` to hold, spinning a little, then yielding the core.
template <typename Condition>
void wait_for(Condition done) {
  for (int spins = 0; !done(); ++spins) {
    if (spins >= 64) sched_yield();
  }
}

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
  double start = thread_cpu_ns();
  for (size_t i = 0; i < pairs; ++i) {
    size_t step = i & (kRandomCount - 1);
    char*& block = live[victims[step]];
    free(block);
    block = static_cast<char*>(malloc(sizes[step]));
    block[0] = static_cast<char>(i);
  }
  double elapsed = thread_cpu_ns() - start;
  for (char* block : live) free(block);
  return elapsed / static_cast<double>(pairs);
}

// A single-producer, single-consumer ring of blocks.
struct Ring {
  static constexpr size_t kSize = 16384;  // a power of two above kLiveBlocks
  char* blocks[kSize];
  alignas(64) std::atomic<size_t> written{0};
  alignas(64) std::atomic<size_t> read{0};
};

double run_producer_consumer(size_t max_size, size_t pairs) {
  static Ring ring;
  std::mt19937 random(1234);
  std::vector<uint32_t> sizes(kRandomCount);
  for (uint32_t& size : sizes) size = 1 + static_cast<uint32_t>(random() % max_size);
  double consumer_ns = 0;
  std::thread consumer([pairs, &consumer_ns] {
    double start = thread_cpu_ns();
    for (size_t i = 0; i < pairs; ++i) {
      wait_for([i] { return ring.written.load(std::memory_order_acquire) != i; });
      free(ring.blocks[i & (Ring::kSize - 1)]);
      ring.read.store(i + 1, std::memory_order_release);
    }
    consumer_ns = thread_cpu_ns() - start;
  });
  double start = thread_cpu_ns();
  for (size_t i = 0; i < pairs; ++i) {
    char* block = static_cast<char*>(malloc(sizes[i & (kRandomCount - 1)]));
    block[0] = static_cast<char>(i);
    wait_for([i] { return i - ring.read.load(std::memory_order_acquire) < kLiveBlocks; });
    ring.blocks[i & (Ring::kSize - 1)] = block;
    ring.written.store(i + 1, std::memory_order_release);
  }
  double producer_ns = thread_cpu_ns() - start;
  consumer.join();
  return (producer_ns + consumer_ns) / static_cast<double>(pairs);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: alloc_compare MAX_SIZE THREADS|pc [PAIRS_PER_THREAD]\n");
    return 2;
  }
  size_t max_size = std::strtoul(argv[1], nullptr, 10);
  size_t pairs = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20000000;
  rusage usage{};
  if (std::string_view(argv[2]) == "pc") {
    double ns = run_producer_consumer(max_size, pairs);
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%.1f %ld\n", ns, usage.ru_maxrss);
    return 0;
  }
  int threads = std::atoi(argv[2]);
  std::vector<double> ns(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] { ns[t] = run_thread(max_size, pairs, threads, 1234 + t); });
  }
  for (std::thread& worker : workers) worker.join();
  double total = 0;
  for (double value : ns) total += value;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.1f %ld\n", total / threads, usage.ru_maxrss);
  return 0;
}
