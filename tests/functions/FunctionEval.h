// Runs a piece of game code the way `quarvel-pack eval` does (the same runtime preparation, a
// stand-in instance) inside the test process, and describes the outcome as one line of text:
// a real in its shortest form, a string in double quotes, then " !" and the message of each
// reported error (without its event heading), or "compile error: ..." / "run error: ...".
#pragma once

#include <string>

// Code containing "return" or ";" runs as a program, anything else as `return CODE`.
std::string EvalLine(const std::string& code);
// Puts the runtime back to its state at start (fresh registry, globals, data structures, seed 0).
void EvalReset();
