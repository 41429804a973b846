// The built-in variable table of the game language: instance variables, then game variables.
#pragma once

// Fills the built-in variable table in its fixed order (does nothing when it is filled already;
// a partial table left by tests is replaced).
void Run_AddBuiltinVariables();
