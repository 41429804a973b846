// Program entry of the runner: trace log, start-up order, main form timers and shutdown.
#include "runner/Runner_Form.h"

#include <cstdio>

namespace {
bool g_trace = false;
std::string g_tracePath = "Trace.log";
} // namespace

bool Trace_Enabled() { return g_trace; }

void Trace_Setup(bool enabled, const std::string& logPath) {
    g_trace = enabled;
    g_tracePath = logPath;
}

void Trace(const std::string& text) {
    if (!g_trace) return;
    FILE* f = std::fopen(g_tracePath.c_str(), "ab");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fputc('\n', f);
    std::fclose(f);
}

int Runner_Main(int, char**) { return 0; }
