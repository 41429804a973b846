// The function registry: built-in functions by name, handler and argument count; function ids
// for built-ins, scripts and extension functions; script calls with their argument slots and the
// argument-count check.
#pragma once

#include "code/Variable_Class.h"

#include <string>

class CCode;
class CInstance;

// A built-in handler: result starts as real 0; args holds argc values (at most 16).
using TBuiltinHandler = void (*)(CInstance* self, CInstance* other, int argc, RValue& result, RValue* args);

inline constexpr int kScriptIdBase = 100000;
inline constexpr int kExtensionIdBase = 500000;
inline constexpr int kAnyArgCount = -1; // any number of arguments from 0 to 16

// Appends a built-in; its position is its id. handler nullptr: the function is registered (code
// calling it compiles) but not built yet, and a call reports so.
void Function_Add(const char* name, TBuiltinHandler handler, int argCount);
// Looks a called name up: a script first (100000 + index), then the built-ins in order.
bool Function_Find(const std::string& name, int& id);
// 100000..499999: -1 (scripts take any count); a built-in id: its count; otherwise -100.
int Function_ArgCount(int id);
int Function_Count();
const char* Function_GetName(int id); // "" outside the registry
bool Function_IsImplemented(int id);
// Calls built-in id: result becomes real 0 first; a function not built yet reports the runtime
// error "Function <name> is not available yet." (not fatal) and leaves result 0.
void Function_Call(int id, CInstance* self, CInstance* other, int argc, RValue& result, RValue* args);
// Removes every built-in (tests only; the registry is otherwise filled once at start).
void Function_ClearAll();

// Calls script index with n arguments (0..16); see the argument-count check in the .cpp.
// Returns false without a message when there is no such script; false with the error buffer set
// when the run or the check failed.
bool Script_Call(int index, CInstance* self, CInstance* other, RValue& result, bool check, const RValue* args,
                 int n);

// Script_Call with the check, taking the arguments over instead of copying them (they are left
// moved-from): for callers whose argument values are temporaries.
bool Script_CallTaking(int index, CInstance* self, CInstance* other, RValue& result, RValue* args, int n);

// Test seam: replaces the run of a script's code by the given routine (nullptr restores the
// executor). Production code never sets it.
using TScriptRunner = bool (*)(CInstance* self, CInstance* other, CCode* code, RValue& result);
void Script_SetRunnerForTests(TScriptRunner runner);
