// Process priority through the scheduler's nice values; blocks of memory for huge pages.
#include "platform/Platform_System.h"

#include "platform/Platform_App.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <sys/resource.h>

void Platform_SetProcessPriority(int priority) {
    int nice = priority == 1 ? -5 : priority == 2 ? -10 : 0;
    if (nice == 0) return;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0)
        Platform_Trace(std::string("Process priority not raised: ") + std::strerror(errno));
}

void Platform_SetProgramPriority(int level) {
    static const int kNice[7] = {19, 10, 5, 0, -5, -10, -15};
    const int nice = (level >= -3 && level <= 3) ? kNice[level + 3] : 0;
    errno = 0;
    if (getpriority(PRIO_PROCESS, 0) == nice && errno == 0) return;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0)
        Platform_Trace(std::string("Program priority not changed: ") + std::strerror(errno));
}

void* Platform_LargePageBlock(size_t bytes) {
    constexpr size_t kHuge = size_t(2) << 20;
    bytes = (bytes + kHuge - 1) & ~(kHuge - 1);
    // Mapped one huge page larger, then trimmed to a 2 MB boundary at both ends.
    const size_t mapped = bytes + kHuge;
    void* m = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(m);
    const uintptr_t aligned = (start + kHuge - 1) & ~uintptr_t(kHuge - 1);
    if (aligned > start) munmap(m, aligned - start);
    const uintptr_t end = start + mapped, used = aligned + bytes;
    if (end > used) munmap(reinterpret_cast<void*>(used), end - used);
    void* p = reinterpret_cast<void*>(aligned);
    madvise(p, bytes, MADV_HUGEPAGE); // a refusal leaves ordinary pages
    return p;
}
