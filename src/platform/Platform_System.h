// Process-wide system settings: scheduling priority.
#pragma once

// 1: the main thread runs above normal; 2: the process runs at high priority. Other values
// change nothing. Raising priority needs privileges on most systems; a refusal is traced and
// otherwise ignored.
void Platform_SetProcessPriority(int priority);

// The game's own priority levels: -3 idle, -2 lowest, -1 below normal, 0 normal, 1 above normal,
// 2 high, 3 highest; other values are normal. Levels become nice values of the process (19, 10,
// 5, 0, -5, -10, -15). Raising priority, and lowering the nice value again, need privileges on
// most systems: a refusal is traced and otherwise ignored.
void Platform_SetProgramPriority(int level);
