// Huge pages for the big blocks that a large copybook fills: one page
// fault per 2 MiB instead of one per 4 KiB, which is most of the system
// time a run of a million entries spends.
#include <sys/mman.h>

#include <cstdint>

#include "cs/cs.h"

// Older C libraries lack the name; kernels before 6.1 refuse the advice.
#if defined(__linux__) && !defined(MADV_COLLAPSE)
#define MADV_COLLAPSE 25
#endif

constexpr uintptr_t PAGE = 4096;

void CSAdviseHugePages(void* block, size_t size) {
#ifdef MADV_HUGEPAGE
  // The advice goes by whole pages: those the block lies on, which its
  // headers share. A huge page is used where one fits in the advised range.
  auto start = reinterpret_cast<uintptr_t>(block);
  uintptr_t first = start & ~(PAGE - 1);
  uintptr_t end = (start + size + PAGE - 1) & ~(PAGE - 1);  // no huge page past it
  if (end - first < CS_HUGE_PAGE) return;
  madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#ifdef MADV_COLLAPSE
  // The headers have already touched the first page, so that a fault will
  // not bring a huge page there: the huge page that begins with the block's
  // headers is made now.
  if ((first & (CS_HUGE_PAGE - 1)) == 0)
    madvise(reinterpret_cast<void*>(first), CS_HUGE_PAGE, MADV_COLLAPSE);
#endif
#else
  (void)block;
  (void)size;
#endif
}
