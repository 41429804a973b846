// The executor's entry points and the call state shared by every script call: the running
// call's 16 argument slots, the argument count and the current script name.
#pragma once

#include "code/Variable_Class.h"

#include <cstddef>
#include <string_view>

class CCode;
class CInstance;
class CScript;

inline constexpr int kArgumentSlots = 16;

// The argument frame of one call: its argument slots, its argument count, the high mark of its
// written slots and its script's name. Each script call runs with a frame of its own on a stack
// of frames, code outside any script with a frame of the runner's.
struct RArgumentFrame {
    int count = 0;
    int high = 0;
    std::string_view scriptname = "<unknown>";
    RValue slots[kArgumentSlots];
};

// The running call's frame: a call saves and restores one pointer.
struct RArgumentSlots {
    RArgumentFrame* call;
    RValue& operator[](std::ptrdiff_t k) const { return call->slots[k]; }
    RValue* begin() const { return call->slots; }
    RValue* end() const { return call->slots + kArgumentSlots; }
};
extern RArgumentSlots arg_slots; // slot k is argument<k> and argument[k]

// A field of the running call's frame, read and written like a variable of type T.
template <class T, T RArgumentFrame::*Field>
struct RArgumentField {
    operator const T&() const { return arg_slots.call->*Field; }
    RArgumentField& operator=(const T& v) {
        arg_slots.call->*Field = v;
        return *this;
    }
    friend bool operator==(const RArgumentField& a, const T& b) { return static_cast<const T&>(a) == b; }
};
extern RArgumentField<int, &RArgumentFrame::count> arg_count; // read by argument_count
// The running script's name, "<unknown>" outside.
extern RArgumentField<std::string_view, &RArgumentFrame::scriptname> arg_scriptname;
// Slots from arg_high on are real 0 (what a script call leaves there); writing a slot raises it.
extern RArgumentField<int, &RArgumentFrame::high> arg_high;

// A fresh argument frame (every slot real 0) on top of the frame stack, and its release (frames
// are released in the reverse order; the slots must be real 0 again).
RValue* Code_PushArguments();
void Code_PopArguments(RValue* frame);
// Runs script with its n arguments already in frame (from Code_PushArguments): frame becomes the
// running call's, the argument-count check follows the run when check is set, and the frame's
// slots are real 0 again afterwards. False with the error buffer set when the run or the check
// failed (result is then "ERROR" when the run failed).
bool Code_CallScript(CScript* script, CInstance* self, CInstance* other, RValue& result, RValue* frame, int n,
                     bool check);

// Outcomes of running a node.
enum : int { kOutNormal = 0, kOutError = -1, kOutExit = -2, kOutBreak = -3, kOutContinue = -4 };

// Nested code runs (script calls, execute functions) deeper than this, or using more than half
// of the thread's stack, fail with kMessageRunsTooDeep instead of overflowing the stack.
inline constexpr int kMaxRunNesting = 4096;
inline constexpr const char* kMessageRunsTooDeep = "Script calls are nested too deeply.";

// Runs code for (self, other) and writes the code result value into result. True unless the
// run ended in an error; the message is then in the error buffer.
bool Code_Execute(CInstance* self, CInstance* other, CCode* code, RValue& result);
// Code_Execute for the code of an event's action: the same outcome, quicker for a program run
// again and again (its lowered form made on the first run is taken straight).
bool Code_ExecuteEvent(CInstance* self, CInstance* other, CCode* code, RValue& result);
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
