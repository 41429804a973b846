// The one runtime start and the one game reset, shared by the runner, the packer's eval and
// check, and the tests: every path that compiles or runs game code sets the language up here.
#pragma once

// Process start: the function registry, the built-in variable table (instance variables, then
// game variables with the argument variables among them) and the resource readers. Calling it
// again is harmless; tables left empty or partial by tests are filled again.
void Runtime_Start();

// A clean game state: global variables, error state, argument slots, the run state (no rooms,
// no stop request, score, lives, health...) and the instance id counter taken from the loaded
// game. Run after loading a game and before preparing or running it.
void Runtime_Reset();
