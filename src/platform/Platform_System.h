// Process-wide system settings: scheduling priority, memory the system may back with huge pages.
#pragma once

#include <cstddef>

// 1: the main thread runs above normal; 2: the process runs at high priority. Other values
// change nothing. Raising priority needs privileges on most systems; a refusal is traced and
// otherwise ignored.
void Platform_SetProcessPriority(int priority);

// The game's own priority levels: -3 idle, -2 lowest, -1 below normal, 0 normal, 1 above normal,
// 2 high, 3 highest; other values are normal. Levels become nice values of the process (19, 10,
// 5, 0, -5, -10, -15). Raising priority, and lowering the nice value again, need privileges on
// most systems: a refusal is traced and otherwise ignored.
void Platform_SetProgramPriority(int level);

// A block of zeroed memory of the given size (rounded up to 2 MB), aligned to 2 MB, that the
// system is asked to back with huge pages: filling it faults far fewer times than ordinary heap
// memory. It is never given back. nullptr when the system refuses the memory.
void* Platform_LargePageBlock(size_t bytes);
