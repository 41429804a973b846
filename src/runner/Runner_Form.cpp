// Program entry of the runner: trace log, start-up order, the main form's timers and shutdown.
#include "runner/Runner_Form.h"

#include "data/DataNew_Class.h"
#include "data/Option_Main.h"
#include "platform/Platform_App.h"
#include "platform/Platform_Crash.h"
#include "platform/Platform_Dialog.h"
#include "run/Run_Runtime.h"
#include "runner/Runner_Load.h"
#include "support/Support_File.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

bool g_trace = false;
std::string g_tracePath = "Trace.log";

// The hidden main form: its two 100 ms timers drive loading and, in debug mode, the end.
struct TRunnerForm {
    int startTimer = -1;
    int endTimer = -1;
    bool ran = false;
};
TRunnerForm g_form;

void Shutdown() {
    Runner_Shutdown();
    Platform_Terminate();
}

void EndTimerTimer() {
    // The debugger keeps the game controllable after it ends; until the debug window exists
    // nothing keeps it running, so the end comes at the first tick.
    Platform_EnableTimer(g_form.endTimer, false);
    Shutdown();
}

void StartTimerTimer() {
    Platform_EnableTimer(g_form.startTimer, false);
    bool ok = Runner_LoadAndRun();
    if (!ok) {
        Platform_Terminate();
        return;
    }
    g_form.ran = true;
    if (g_game.debug) {
        Platform_EnableTimer(g_form.endTimer, true);
        return;
    }
    Shutdown();
}

bool TraceRequested(int argc, char** argv) {
    const char* env = std::getenv("VNLOG_TRACE");
    if (env && std::strcmp(env, "1") == 0) return true;
    // The switch is accepted anywhere on the command line, also as the last parameter.
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--VNTrace") == 0) return true;
    return false;
}

std::string TraceLogPath() {
    const char* dataFile = std::getenv("QUARVEL_GAME");
    std::string dir;
    if (dataFile && *dataFile) {
        std::string p = dataFile;
        size_t slash = p.rfind('/');
        dir = slash == std::string::npos ? "." : p.substr(0, slash);
    } else {
        dir = Platform_ExeDir();
    }
    return dir + "/Trace.log";
}

} // namespace

bool Trace_Enabled() {
    return g_trace;
}

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

void Runner_HandleException(const std::string& message) {
    Trace("Unhandled Exception - " + message);
    Trace("Stack Trace");
    for (const std::string& frame : Platform_StackTrace()) Trace(frame);
    Platform_ShowMessage(message);
}

int Runner_Main(int argc, char** argv) {
    Platform_InstallCrashHandler([](const std::string& message, const std::vector<std::string>& frames) {
        Trace("Unhandled Exception - " + message);
        Trace("Stack Trace");
        for (const std::string& frame : frames) Trace(frame);
        Platform_ShowMessage(message);
        RemoveTempDirectory();
    });
    // Module start-up: the private temp directory and secure mode come before any window.
    InitTempDirectory();
    Option_ReadSecure();
    Runtime_Start();

    int status = kExitGameRan;
    try {
        Trace_Setup(TraceRequested(argc, argv), TraceLogPath());
        Platform_SetTraceHook(Trace);
        const std::string stars(86, '*');
        Trace(stars);
        Trace("               Quarvel Runner v8.1.215.11948");
        Trace(stars);

        Platform_SetLoopExceptionHandler([](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& ex) {
                Runner_HandleException(ex.what());
            } catch (...) {
                Runner_HandleException("Unknown exception");
            }
        });
        Platform_Init();
        g_form.startTimer = Platform_AddTimer(100, StartTimerTimer, true);
        g_form.endTimer = Platform_AddTimer(100, EndTimerTimer, false);
        Platform_RunMessageLoop();
        status = Runner_ExitStatus();
    } catch (const std::exception& e) {
        Runner_HandleException(e.what());
        status = kExitLoadFailed;
    }
    Platform_Quit();
    RemoveTempDirectory();
    return status;
}
