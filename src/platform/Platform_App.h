// Process-level services of the platform layer: SDL start-up and shutdown, the executable's
// location, the application title, the message pump, main-thread timers, the terminate flag
// and the hook that routes platform failures into the runner's trace log.
// Callers never see SDL types: events reach handlers as opaque pointers.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

// True when the environment variable QUARVEL_HEADLESS is "1": no window is shown, dialogs
// become JSON lines on stdout and sound goes to the dummy device.
bool Platform_IsHeadless();

// Starts SDL (video, events, timer, joystick). Headless, the offscreen video and dummy audio
// drivers are chosen first. When the video driver cannot start (no display) the offscreen
// driver is tried, then "dummy". A joystick subsystem that cannot start is only traced.
// Returns false only when no video driver starts at all. Calling it again is harmless.
bool Platform_Init();
// Shuts SDL down and forgets all event handlers, timers and a pending terminate request.
void Platform_Quit();
// True between a successful Platform_Init and Platform_Quit.
bool Platform_Initialized();
// Name of the running video driver ("x11", "wayland", "offscreen", "dummy", ...); "" when none.
std::string Platform_VideoDriver();

// Absolute path of the running executable; "" when /proc/self/exe cannot be read.
std::string Platform_ExePath();
// Directory of the running executable without trailing '/'; "." when unknown.
std::string Platform_ExeDir();

// The application title (caption of message boxes and windows). Defaults to "".
void Platform_SetAppTitle(const std::string& title);
std::string Platform_AppTitle();

// Routes platform failures (store errors, drivers that fell back, ...) to the runner's trace.
// Without a hook such lines are dropped. The hook must not throw.
void Platform_SetTraceHook(std::function<void(const std::string&)> hook);
// Passes one line to the trace hook, if one is set.
void Platform_Trace(const std::string& line);

// Dispatches every pending window event to the registered handlers, then fires the timers that
// are due, and returns without waiting. Safe before Platform_Init (then only timers fire).
void PumpMessages();

// Registers a handler that receives every dispatched event (a pointer to an SDL_Event, valid
// only during the call). Returns its id (> 0).
int Platform_AddEventHandler(std::function<void(const void* sdlEvent)> handler);
void Platform_RemoveEventHandler(int id);
// True when the opaque event is a quit request (the user closed the application).
bool Platform_IsQuitEvent(const void* sdlEvent);
// Queues a quit request as if the user had closed the application; false when SDL is not running.
bool Platform_PushQuitEvent();

// Adds a timer that fires fn every intervalMs (at least 1) milliseconds on the main thread,
// from Platform_RunMessageLoop and PumpMessages only. A timer never fires inside its own handler,
// even when that handler pumps messages for a long time. Enabling (re)starts the interval.
// Returns the timer's id (> 0).
int Platform_AddTimer(int intervalMs, std::function<void()> fn, bool enabled);
// Enables or disables a timer; unknown ids are ignored.
void Platform_EnableTimer(int id, bool enabled);
// Removes a timer (also from inside its own handler); unknown ids are ignored.
void Platform_RemoveTimer(int id);

// Waits for events and timers and dispatches them until Platform_Terminate has been called.
// Returns at once when it already has been. An exception escaping a handler or timer goes to
// the loop's exception handler and the loop goes on; without one it leaves the loop.
void Platform_RunMessageLoop();
void Platform_SetLoopExceptionHandler(std::function<void(std::exception_ptr)> handler);
// Asks the message loop to end after the current dispatch.
void Platform_Terminate();
bool Platform_Terminated();

// Monotonic time in microseconds since an arbitrary start.
int64_t Platform_TimeMicros();
// Sleeps the main thread for ms milliseconds (nothing for ms <= 0).
void Platform_Sleep(int ms);
// Sleeps the main thread for us microseconds (nothing for us <= 0).
void Platform_SleepMicros(int64_t us);
