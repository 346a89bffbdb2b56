// Open modes and open flags of the file classes.
#pragma once

#include <cstdint>

namespace morvane {

// Open modes.
inline constexpr int IF_MODE_CREATE = 0;  // create, or empty an existing file
inline constexpr int IF_MODE_READ = 1;    // read only; the only mode that maps
inline constexpr int IF_MODE_UPDATE = 2;  // read and write; the file must exist
inline constexpr int IF_MODE_APPEND = 3;  // as update, positioned at the end

// Open flags; bits may be combined.
inline constexpr uint32_t IF_BUFFERED = 0x001;   // an 8 KiB window in front
inline constexpr uint32_t IF_MAP = 0x004;        // mode read: map the file
inline constexpr uint32_t IF_PAGED = 0x008;      // page cache over a descriptor
inline constexpr uint32_t IF_UNCACHED = 0x010;   // page cache over direct I/O
inline constexpr uint32_t IF_SHARED = 0x020;     // kept; no effect on Linux
inline constexpr uint32_t IF_PREFAULT = 0x040;   // read a new mapping once
inline constexpr uint32_t IF_MULTI_READ = 0x080; // one descriptor per thread
inline constexpr uint32_t IF_TEXT = 0x100;       // kept; no effect on Linux
inline constexpr uint32_t IF_THROW = 0x200;      // holder throws on short I/O
inline constexpr uint32_t IF_SLICED64 = 0x1000;  // files beyond 2 GiB in slices
inline constexpr uint32_t IF_NOFOLLOW = 0x2000;  // descriptor files: a link at the name fails (ELOOP)

}  // namespace morvane
