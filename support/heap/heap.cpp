#include "support/heap/heap.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace morvane {

namespace {

std::atomic<RefusalHandler> refusal_handler{nullptr};

// Set while this thread runs the handler: a handler that is refused memory
// itself (building its exception) gets std::bad_alloc instead of recursing.
thread_local bool in_handler = false;

}  // namespace

void set_refusal_handler(RefusalHandler handler) {
  refusal_handler.store(handler, std::memory_order_release);
}

void heap_refuse(size_t bytes) {
  RefusalHandler handler = refusal_handler.load(std::memory_order_acquire);
  if (handler != nullptr && !in_handler) {
    in_handler = true;
    try {
      handler(bytes);
    } catch (...) {
      in_handler = false;
      throw;
    }
    in_handler = false;
  }
  throw std::bad_alloc();
}

void* heap_allocate(size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) heap_refuse(bytes);
  return block;
}

void* heap_allocate_aligned(size_t alignment, size_t bytes) {
  void* block = nullptr;
  if (posix_memalign(&block, alignment, bytes == 0 ? 1 : bytes) != 0) heap_refuse(bytes);
  return block;
}

void heap_free(void* block) { std::free(block); }

size_t format_refusal_message(size_t bytes, char* text) {
  static const char kPrefix[] = "MEMORY ALLOCATION FAILURE [0x";
  static const char kSuffix[] = "] bytes";
  static const char kHex[] = "0123456789ABCDEF";
  char digits[16];
  size_t count = 0;
  do {
    digits[count++] = kHex[bytes % 16];
    bytes /= 16;
  } while (bytes != 0);
  while (count < 8) digits[count++] = '0';
  size_t length = 0;
  std::memcpy(text, kPrefix, sizeof kPrefix - 1);
  length += sizeof kPrefix - 1;
  while (count > 0) text[length++] = digits[--count];
  std::memcpy(text + length, kSuffix, sizeof kSuffix);  // with its NUL
  return length + sizeof kSuffix - 1;
}

}  // namespace morvane
