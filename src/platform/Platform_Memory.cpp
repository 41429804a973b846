#include "platform/Platform_Memory.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

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

void* Platform_LargePageBlock(size_t bytes) {
    constexpr size_t kLarge = size_t(2) << 20;
    bytes = (bytes + kLarge - 1) & ~(kLarge - 1);
    // Mapped one large page longer, then trimmed to a 2 MB boundary at both ends.
    const size_t mapped = bytes + kLarge;
    void* m = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(m);
    const uintptr_t aligned = (start + kLarge - 1) & ~uintptr_t(kLarge - 1);
    if (aligned > start) munmap(m, aligned - start);
    const uintptr_t end = start + mapped, used = aligned + bytes;
    if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
    void* p = reinterpret_cast<void*>(aligned);
    Platform_AdviseLargeArray(p, bytes);
    return p;
}

void Platform_ReleasePages(void* p, size_t bytes) {
    static const uintptr_t kPage = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(p) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(kPage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}
