// Fatal-signal handler: reports the signal and a backtrace through the runner's callback and
// ends the process with status 70.
#include "platform/Platform_Crash.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <execinfo.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define QV_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_ASAN 1
#endif
#endif

namespace {

constexpr int kCrashExitStatus = 70;

std::function<void(const std::string&, const std::vector<std::string>&)> g_onCrash;
bool g_active = false;
volatile sig_atomic_t g_inHandler = 0;

std::vector<std::string> Frames(int skip) {
    void* addrs[128];
    int n = backtrace(addrs, 128);
    std::vector<std::string> frames;
    char** names = backtrace_symbols(addrs, n);
    if (!names) return frames;
    for (int i = skip; i < n; ++i) frames.emplace_back(names[i]);
    std::free(names);
    return frames;
}

#ifndef QV_ASAN
const char* SignalName(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "unknown";
    }
}

void OnFatalSignal(int sig) {
    if (g_inHandler) _exit(kCrashExitStatus);
    g_inHandler = 1;
    // From here on the process is lost anyway; building the report allocates, which is not
    // async-signal-safe, but a report is worth the risk (a second fault ends at once above).
    std::string message = "signal " + std::to_string(sig) + " (" + SignalName(sig) + ")";
    if (g_onCrash) g_onCrash(message, Frames(1));
    _exit(kCrashExitStatus);
}
#endif

} // namespace

void Platform_InstallCrashHandler(
    std::function<void(const std::string& message, const std::vector<std::string>& frames)> onCrash) {
    g_onCrash = std::move(onCrash);
#ifndef QV_ASAN
    if (g_active) return;
    // Load the unwinder now: backtrace() may otherwise allocate on first use inside the handler.
    void* warm[1];
    backtrace(warm, 1);
    static char altStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = sizeof altStack;
    sigaltstack(&ss, nullptr);
    struct sigaction sa {};
    sa.sa_handler = OnFatalSignal;
    sa.sa_flags = SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(sig, &sa, nullptr);
    g_active = true;
#endif
}

bool Platform_CrashHandlerActive() {
    return g_active;
}

bool Platform_CrashHandlerAvailable() {
#ifdef QV_ASAN
    return false;
#else
    return true;
#endif
}

std::vector<std::string> Platform_StackTrace() {
    return Frames(1);
}
