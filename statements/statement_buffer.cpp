// StatementBuffer: the growable byte buffer of one statement.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "statements/statement_reader.h"

namespace tarnwick {

void reserve_more(StatementBuffer& buffer, size_t more) {
  if (more == 0) return;
  // The last position to be written must fall below the capacity.
  size_t last = buffer.length + more - 1;
  if (last < buffer.length) last = SIZE_MAX;  // beyond any capacity
  if (last >= buffer.capacity) {
    size_t capacity = buffer.capacity > 0 ? buffer.capacity : 1;
    while (capacity <= last) {
      if (capacity > (SIZE_MAX - 1) / 2) {
        capacity = SIZE_MAX;
        break;
      }
      capacity = 2 * capacity + 1;
    }
    char* data = capacity == SIZE_MAX ? nullptr : static_cast<char*>(std::malloc(capacity));
    if (data == nullptr) {
      std::fflush(stdout);
      std::fprintf(stderr, "Failed to allocate %f bytes\n", static_cast<double>(capacity));
      std::fflush(stderr);
      throw std::bad_alloc();
    }
    if (buffer.length > 0) std::memcpy(data, buffer.data, buffer.length);
    std::free(buffer.data);
    buffer.data = data;
    buffer.capacity = capacity;
  }
}

void append_bytes(StatementBuffer& buffer, const char* bytes, size_t n) {
  if (n == 0) return;
  if (n > buffer.capacity - buffer.length) reserve_more(buffer, n);
  std::memcpy(buffer.data + buffer.length, bytes, n);
  buffer.length += n;
}

void empty(StatementBuffer& buffer) {
  if (buffer.capacity > kKeptBufferCapacity) {
    release(buffer);
  } else {
    buffer.length = 0;
  }
}

void release(StatementBuffer& buffer) {
  std::free(buffer.data);
  buffer = StatementBuffer();
}


}  // namespace tarnwick
