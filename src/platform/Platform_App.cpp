// SDL start-up with driver fall-backs, the message pump and the main-thread timers.
// Timers are polled by the pump and the loop (never SDL timer threads), so every handler
// runs on the main thread, as the single-threaded runner requires.
#include "platform/Platform_App.h"
#include "platform/Platform_Library.h"

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct Timer {
    int id = 0;
    int intervalMs = 1;
    std::function<void()> fn;
    bool enabled = false;
    bool running = false; // inside its own handler: must not fire again
    bool removed = false;
    int64_t dueMicros = 0;
};

struct Handler {
    int id = 0;
    std::function<void(const void*)> fn;
};

bool g_initialized = false;
bool g_terminated = false;
std::string g_title;
std::function<void(const std::string&)> g_traceHook;
std::function<void(std::exception_ptr)> g_loopExceptionHandler;
std::vector<std::shared_ptr<Handler>> g_handlers;
std::vector<std::shared_ptr<Timer>> g_timers;
int g_nextHandlerId = 1;
int g_nextTimerId = 1;

std::shared_ptr<Timer> FindTimer(int id) {
    for (auto& t : g_timers)
        if (t->id == id && !t->removed) return t;
    return nullptr;
}

void DispatchEvent(const SDL_Event& e) {
    // Copy: a handler may add or remove handlers while we walk the list.
    auto handlers = g_handlers;
    for (auto& h : handlers) h->fn(&e);
}

// Fires every enabled timer that is due and not already running. The next due time counts from
// now: a timer that fell behind fires once, not once per missed interval.
void FireDueTimers() {
    auto timers = g_timers;
    for (auto& t : timers) {
        if (t->removed || !t->enabled || t->running) continue;
        int64_t now = Platform_TimeMicros();
        if (now < t->dueMicros) continue;
        t->dueMicros = now + int64_t(t->intervalMs) * 1000;
        t->running = true;
        struct Reset {
            Timer* t;
            ~Reset() { t->running = false; }
        } reset{t.get()};
        t->fn();
    }
    std::erase_if(g_timers, [](const std::shared_ptr<Timer>& t) { return t->removed && !t->running; });
}

// Milliseconds until the next enabled timer is due, at most capMs.
int MsUntilNextTimer(int capMs) {
    int64_t now = Platform_TimeMicros();
    int64_t best = int64_t(capMs) * 1000;
    for (auto& t : g_timers)
        if (!t->removed && t->enabled && !t->running && t->dueMicros - now < best) best = t->dueMicros - now;
    if (best <= 0) return 0;
    return int((best + 999) / 1000);
}

// Whether SDL runs the subsystem; asks SDL only once it is loaded.
bool SdlRunning(Uint32 subsystem) {
    return Platform_LibraryLoaded(ESystemLibrary::Sdl) && SDL_WasInit(subsystem) != 0;
}

bool TryVideoDriver(const char* driver) {
    if (driver) setenv("SDL_VIDEODRIVER", driver, 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    Platform_Trace(std::string("Video driver ") + (driver ? driver : "(default)") +
                   " failed: " + SDL_GetError());
    return false;
}

} // namespace

bool Platform_IsHeadless() {
    const char* v = std::getenv("QUARVEL_HEADLESS");
    return v && std::string(v) == "1";
}

bool Platform_Init() {
    if (g_initialized) return true;
    if (Platform_IsHeadless()) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    std::string error;
    if (!Platform_LoadLibrary(ESystemLibrary::Sdl, &error)) {
        Platform_Trace(error);
        return false;
    }
    if (SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
        Platform_Trace(std::string("SDL_Init failed: ") + SDL_GetError());
        return false;
    }
    if (!TryVideoDriver(nullptr) && !TryVideoDriver("offscreen") && !TryVideoDriver("dummy")) {
        SDL_Quit();
        return false;
    }
    Platform_Trace(std::string("Video driver: ") + Platform_VideoDriver());
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        Platform_Trace(std::string("Joystick support not available: ") + SDL_GetError());
    g_initialized = true;
    return true;
}

void Platform_Quit() {
    if (g_initialized) SDL_Quit();
    g_initialized = false;
    g_terminated = false;
    g_handlers.clear();
    g_timers.clear();
    g_loopExceptionHandler = nullptr;
}

bool Platform_Initialized() {
    return g_initialized;
}

std::string Platform_VideoDriver() {
    const char* name = SdlRunning(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    return name ? name : "";
}

std::string Platform_ExePath() {
    std::string buf(4096, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || size_t(n) >= buf.size()) return "";
    buf.resize(size_t(n));
    return buf;
}

std::string Platform_ExeDir() {
    std::string path = Platform_ExePath();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

namespace {
std::vector<std::string> g_commandLine;
}

void Platform_SetCommandLine(std::vector<std::string> args) {
    g_commandLine = std::move(args);
}

const std::vector<std::string>& Platform_CommandLine() {
    return g_commandLine;
}

void Platform_SetAppTitle(const std::string& title) {
    g_title = title;
}
std::string Platform_AppTitle() {
    return g_title;
}

void Platform_SetTraceHook(std::function<void(const std::string&)> hook) {
    g_traceHook = std::move(hook);
}

void Platform_Trace(const std::string& line) {
    if (g_traceHook) g_traceHook(line);
}

void PumpMessages() {
    if (SdlRunning(SDL_INIT_EVENTS)) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) DispatchEvent(e);
    }
    FireDueTimers();
}

int Platform_AddEventHandler(std::function<void(const void* sdlEvent)> handler) {
    auto h = std::make_shared<Handler>();
    h->id = g_nextHandlerId++;
    h->fn = std::move(handler);
    g_handlers.push_back(h);
    return h->id;
}

void Platform_RemoveEventHandler(int id) {
    std::erase_if(g_handlers, [id](const std::shared_ptr<Handler>& h) { return h->id == id; });
}

bool Platform_IsQuitEvent(const void* sdlEvent) {
    return sdlEvent && static_cast<const SDL_Event*>(sdlEvent)->type == SDL_QUIT;
}

bool Platform_PushQuitEvent() {
    if (!SdlRunning(SDL_INIT_EVENTS)) return false;
    SDL_Event e{};
    e.type = SDL_QUIT;
    return SDL_PushEvent(&e) == 1;
}

int Platform_AddTimer(int intervalMs, std::function<void()> fn, bool enabled) {
    auto t = std::make_shared<Timer>();
    t->id = g_nextTimerId++;
    t->intervalMs = intervalMs < 1 ? 1 : intervalMs;
    t->fn = std::move(fn);
    t->enabled = enabled;
    t->dueMicros = Platform_TimeMicros() + int64_t(t->intervalMs) * 1000;
    g_timers.push_back(t);
    return t->id;
}

void Platform_EnableTimer(int id, bool enabled) {
    auto t = FindTimer(id);
    if (!t) return;
    if (enabled && !t->enabled) t->dueMicros = Platform_TimeMicros() + int64_t(t->intervalMs) * 1000;
    t->enabled = enabled;
}

void Platform_RemoveTimer(int id) {
    if (auto t = FindTimer(id)) t->removed = true;
    std::erase_if(g_timers, [](const std::shared_ptr<Timer>& t) { return t->removed && !t->running; });
}

void Platform_RunMessageLoop() {
    while (!g_terminated) {
        try {
            // Wake at least every 100 ms so a terminate request from outside a handler is noticed.
            int waitMs = MsUntilNextTimer(100);
            if (SdlRunning(SDL_INIT_EVENTS)) {
                SDL_Event e;
                if (SDL_WaitEventTimeout(&e, waitMs > 0 ? waitMs : 1)) DispatchEvent(e);
            } else {
                Platform_Sleep(waitMs > 0 ? waitMs : 1);
            }
            if (!g_terminated) PumpMessages();
        } catch (...) {
            if (!g_loopExceptionHandler) throw;
            g_loopExceptionHandler(std::current_exception());
        }
    }
}

void Platform_SetLoopExceptionHandler(std::function<void(std::exception_ptr)> handler) {
    g_loopExceptionHandler = std::move(handler);
}

void Platform_Terminate() {
    g_terminated = true;
}
bool Platform_Terminated() {
    return g_terminated;
}

int64_t Platform_TimeMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void Platform_Sleep(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Platform_SleepMicros(int64_t us) {
    if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}
