// The load-and-run entry: loads the game data behind the loading window, runs the prepare
// sequence, runs the game and reports how it went.
#pragma once

// Loads, prepares and runs the game. False when loading or preparing failed (a message was
// shown, or the data failed its check); Runner_ExitStatus tells which.
bool Runner_LoadAndRun();
int Runner_ExitStatus();
// Releases what the run set up, in order: graphics library, device, sound, included files.
void Runner_Shutdown();

// Runs the prepare steps that define the constants and compile every piece of the loaded game's
// code (triggers, scripts, time-line and object actions), each failure shown with its step's
// message. For tools that run a game's code without starting it.
bool Runner_PrepareCode();
