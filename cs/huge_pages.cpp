// Huge pages for the big blocks that a large copybook fills: one page
// fault per 2 MiB instead of one per 4 KiB, which is most of the system
// time a run of a million entries spends.
#include <sys/mman.h>

#include <cstdint>

#include "cs/cs.h"

constexpr uintptr_t HUGE_PAGE = uintptr_t{1} << 21;

void CSAdviseHugePages(void* block, size_t size) {
#ifdef MADV_HUGEPAGE
  // Only whole huge pages inside the block can be backed so.
  auto start = reinterpret_cast<uintptr_t>(block);
  uintptr_t first = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  uintptr_t end = (start + size) & ~(HUGE_PAGE - 1);
  // Advice the kernel does not take leaves the block as it was.
  if (first < end) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
  (void)block;
  (void)size;
#endif
}
