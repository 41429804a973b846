// Memory advice for large arrays that are filled once and kept, and blocks for them.
#pragma once

#include <cstddef>

// Asks the system to back the whole 2 MB pages inside [p, p + bytes) with large pages where it
// can: filling fresh memory page by page costs a fault per 4 KB page, which dominates the time
// of building large arrays. Does nothing for small ranges or where the advice is not known.
void Platform_AdviseLargeArray(void* p, size_t bytes);

// A block of zeroed memory of the given size (rounded up to 2 MB), aligned to 2 MB and advised
// as above, for storage that hands out its own shares. It is never given back. nullptr when the
// system refuses the memory.
void* Platform_LargePageBlock(size_t bytes);

// Gives the whole pages inside [p, p + bytes) back to the system: they read as zero afterwards
// and take no memory until written again. For the part of a large array whose contents are no
// longer needed while the array itself stays.
void Platform_ReleasePages(void* p, size_t bytes);
