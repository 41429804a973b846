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

// Runs code for (self, other). On failure result becomes the string "ERROR" and the message
// stays in the error buffer for the caller. Returns whether the run succeeded.
bool Code_ExecuteValue(CInstance* self, CInstance* other, CCode* code, RValue& result);
