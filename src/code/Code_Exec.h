// The executor's entry points and the call state shared by every script call: the 16
// argument slots, the argument count and the current script name.
#pragma once

#include "code/Variable_Class.h"

#include <string>

class CCode;
class CInstance;

inline constexpr int kArgumentSlots = 16;

extern RValue arg_slots[kArgumentSlots]; // slot k is argument<k> and argument[k]
extern int arg_count;                    // read by argument_count
extern std::string arg_scriptname;       // the running script's name, "<unknown>" outside
// Slots from arg_high on are real 0 (what a script call leaves there); writing a slot raises it.
extern int arg_high;

// Outcomes of running a node.
enum : int { kOutNormal = 0, kOutError = -1, kOutExit = -2, kOutBreak = -3, kOutContinue = -4 };

// Nested code runs (script calls, execute functions) deeper than this, or using more than half
// of the thread's stack, fail with kMessageRunsTooDeep instead of overflowing the stack.
inline constexpr int kMaxRunNesting = 4096;
inline constexpr const char* kMessageRunsTooDeep = "Script calls are nested too deeply.";

// Runs code for (self, other) and writes the code result value into result. True unless the
// run ended in an error; the message is then in the error buffer.
bool Code_Execute(CInstance* self, CInstance* other, CCode* code, RValue& result);
// Code_Execute; a failure is shown as a non-fatal runtime error with the current event's
// heading and the error flag is cleared.
bool Code_ExecuteReport(CInstance* self, CInstance* other, CCode* code, RValue& result);
// Code_Execute; on failure result becomes the string "ERROR" and the message stays in the
// error buffer for the caller.
bool Code_ExecuteValue(CInstance* self, CInstance* other, CCode* code, RValue& result);

// Tests: true runs code by walking its tree, false (the default) through the lowered form made
// from it on the first run. Both give the same results and errors.
void Code_SetTreeWalkerForTests(bool on);

// Adds the argument variables (argument0 .. argument15, argument, argument_count) to the
// built-in variable table unless they are there already.
void Code_AddArgumentVariables();
