// quarvel-pack eval and check: running a line of game code from the shell, and compiling every
// piece of code in a project as the runner would before packing it.
#pragma once

#include <string>

// Arguments after "eval": CODE, or --file F; --expression compiles an expression instead of a
// program; each --script NAME=FILE defines a script the code can call. Writes one JSON line per outcome on
// stdout; 1 on a compile or run failure.
int Pack_Eval(int argc, char** argv);
// Arguments after "check": PROJECT_DIR. Prints each compile error; 1 when any piece fails.
int Pack_Check(int argc, char** argv);

std::string Pack_JsonReal(double v);
