#include "core/common/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>

namespace kinevo {

void AdviseHugePages(const void* begin, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (bytes < 2 * kHuge) return;
  const auto at = reinterpret_cast<std::uintptr_t>(begin);
  const std::uintptr_t from = (at + kHuge - 1) & ~(kHuge - 1);
  const std::uintptr_t to = (at + bytes) & ~(kHuge - 1);
  // Only advice: where it is refused the memory works as before.
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)bytes;
#endif
}

}  // namespace kinevo
