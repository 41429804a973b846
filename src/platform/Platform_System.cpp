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

void Platform_SetProgramPriority(int level) {
    static const int kNice[7] = {19, 10, 5, 0, -5, -10, -15};
    const int nice = (level >= -3 && level <= 3) ? kNice[level + 3] : 0;
    errno = 0;
    if (getpriority(PRIO_PROCESS, 0) == nice && errno == 0) return;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0)
        Platform_Trace(std::string("Program priority not changed: ") + std::strerror(errno));
}
