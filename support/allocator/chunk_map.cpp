#include "support/allocator/chunk_map.h"

namespace morvane::heap {

// Zero-initialised: every chunk unmarked.
constinit std::atomic<uint64_t> g_chunk_maps[2][kChunkMapWords] = {};

}  // namespace morvane::heap
