// Large results are written once from start to end; on machines where every
// first touch of a 4 KiB page traps to the kernel, asking for huge pages for
// such a buffer saves most of that cost.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

// Advises the kernel to back the whole 2 MiB pages inside [data, data+bytes)
// with transparent huge pages. Buffers below `minBytes` are left alone; the
// advice is only a hint, and failing it changes nothing.
inline void adviseHugePages(void* data, std::size_t bytes, std::size_t minBytes = std::size_t(8) << 20) {
  constexpr std::uintptr_t kHugePage = 2u << 20;
  if (bytes < minBytes || bytes < 2 * kHugePage) return;
  const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
