// The game's code seen by the packer: a packed image loaded into the runner's resource lists, the
// check of every trigger, script and action in it, and a game file prepared for eval --game.
#pragma once

#include "Pack_Writer.h"

#include <string>

// Loads the image into the resource lists as the runner reads a game file. False with a reason.
bool Pack_LoadImage(const GameImage& g, std::string& failure);
// Compiles every trigger condition, script, time-line and object action and room and instance
// creation code of the loaded game g, printing each failure as FILE:LINE:COL with the offending
// line (the origins recorded in g, else the project folder, name the files). An action calling
// a function that does not exist fails too. Script calls with an argument count the script's
// code cannot take are warnings. Adds to pieces the number checked and to warnings the warnings;
// returns the number that failed.
int Pack_CheckCodeResources(const GameImage& g, const std::string& projectDir, int& pieces, int& warnings);
// Loads a game file and runs its prepare steps up to the compiling of all code (constants,
// triggers, scripts, time lines, objects). Failures are shown as the runner shows them; false then.
bool Pack_LoadGameForEval(const std::string& path);
