// Process priority through the scheduler's nice values.
#include "platform/Platform_System.h"

#include "platform/Platform_App.h"

#include <cerrno>
#include <cstring>
#include <sys/resource.h>

void Platform_SetProcessPriority(int priority) {
    int nice = priority == 1 ? -5 : priority == 2 ? -10 : 0;
    if (nice == 0) return;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0)
        Platform_Trace(std::string("Process priority not raised: ") + std::strerror(errno));
}
