#include "platform/Platform_Memory.h"

#include <cstdint>
#include <sys/mman.h>

void Platform_AdviseLargeArray(void* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    const uintptr_t begin = (uintptr_t(p) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(kLarge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}
