// The game's code seen by the packer: a packed image loaded into the runner's resource lists, the
// check of every trigger, script and action in it, and a game file prepared for eval --game.
#pragma once

#include "Pack_Writer.h"

#include <string>

// Loads the image into the resource lists as the runner reads a game file. False with a reason.
bool Pack_LoadImage(const GameImage& g, std::string& failure);
// Compiles every trigger condition, script and time-line and object action of the loaded game,
// printing each failure as "file:line: heading" and the compiler's message (the project folder
// names the files). Adds to pieces the number checked; returns the number that failed.
int Pack_CheckCodeResources(const std::string& projectDir, int& pieces);
// Loads a game file and runs its prepare steps up to the compiling of all code (constants,
// triggers, scripts, time lines, objects). Failures are shown as the runner shows them; false then.
bool Pack_LoadGameForEval(const std::string& path);
