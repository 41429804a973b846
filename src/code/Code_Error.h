// The one error path of the game language: code errors composed with line, caret and position
// into the error buffer; reports that are traced, shown in the error window, logged to
// "game_errors.log", remembered for error_last / error_occurred, and end the game when fatal.
#pragma once

#include <string>
#include <vector>

class CCode;

// Composes a code error into the error buffer unless one is already recorded; sets the flag.
void Error_SetCodeError(const CCode* code, int position, const std::string& message);
// Reports a text: window, log, last error; fatal (or Abort pressed) ends the game.
void Error_Show(const std::string& text, bool fatal);
// Error_Show with the heading of the current event ("ERROR in" ... "for object ...:").
void Error_ShowInEvent(const std::string& text, bool fatal);
// The heading Error_ShowInEvent puts in front of a text.
std::string Error_EventHeading(bool fatal);

// The error flag and buffer of the current compile or run. The flag is read inline: the executor
// tests it on every script call.
extern bool g_errorFlag;
inline bool Error_IsSet() {
    return g_errorFlag;
}
void Error_ClearFlag(); // clears the flag and empties the buffer
const std::string& Error_Buffer();
// Replaces the buffer (callers put lines in front of it) and sets the flag.
void Error_SetBuffer(std::string text);

// error_last / error_occurred.
const std::string& Error_Last();
void Error_SetLast(std::string text);
bool Error_Occurred();
void Error_SetOccurred(bool on);
// Set by a fatal report; after it nothing more is shown, logged or remembered.
bool Error_Terminating();

// The lines of the error window's memo, accumulated over the run.
const std::vector<std::string>& Error_MemoLines();
void Error_MemoClear();

// Puts the module back to its program-start state (tests).
void Error_Reset();
