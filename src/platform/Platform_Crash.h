// Last-resort handling of fatal signals, standing in for the application's exception handler,
// and stack traces for exceptions the runner catches itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Installs handlers for SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT (on an alternate stack, so
// a stack overflow is caught too). On such a signal onCrash receives "signal N (NAME)" and the
// stack frames, then the process ends with exit status 70; it never returns into the faulting
// code. A second fault inside onCrash ends the process at once, also with 70. Under
// AddressSanitizer nothing is installed (its own reports take precedence).
void Platform_InstallCrashHandler(
    std::function<void(const std::string& message, const std::vector<std::string>& frames)> onCrash);
// True when the signal handlers are installed.
bool Platform_CrashHandlerActive();
// False in builds where the handlers are never installed (AddressSanitizer).
bool Platform_CrashHandlerAvailable();

// The caller's stack, innermost frame first, one line per frame with module and address
// (and the symbol where the executable exports it). Empty when no trace can be taken.
std::vector<std::string> Platform_StackTrace();
