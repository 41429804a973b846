// The runner's process skeleton: program entry, the trace log, the main form with its start
// and end timers, and shutdown.
#pragma once

#include <string>

// Exit statuses of the runner process.
inline constexpr int kExitGameRan = 0;
inline constexpr int kExitLoadFailed = 1;
inline constexpr int kExitCheckFailed = 2;
inline constexpr int kExitGameFailed = 3; // the game ended through a fatal error or Abort

// Tracing: one line to "Trace.log" when tracing is on, else nothing.
void Trace(const std::string& text);
bool Trace_Enabled();
// Switches tracing on or off and names the log file (tests and tools).
void Trace_Setup(bool enabled, const std::string& logPath);

// The process entry of the runner executable.
int Runner_Main(int argc, char** argv);

// The application-wide handler: traces the message and a stack trace, then shows the message.
void Runner_HandleException(const std::string& message);
