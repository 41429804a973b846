// Process-wide system settings: scheduling priority.
#pragma once

// 1: the main thread runs above normal; 2: the process runs at high priority. Other values
// change nothing. Raising priority needs privileges on most systems; a refusal is traced and
// otherwise ignored.
void Platform_SetProcessPriority(int priority);
