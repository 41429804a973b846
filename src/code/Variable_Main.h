// The global variable list with its globalvar flags, and the read/write paths that pick the list
// or built-in accessor for an instance or an instance selector.
#pragma once

#include "code/Variable_Class.h"

#include <cstdint>
#include <vector>

class CInstance;
class CStream;

// Instance selectors.
inline constexpr int kSelSelf = -1;
inline constexpr int kSelOther = -2;
inline constexpr int kSelAll = -3;
inline constexpr int kSelNoone = -4;
inline constexpr int kSelGlobal = -5;
inline constexpr int kSelDefault = -6; // global when declared globalvar, else self
inline constexpr int kSelLocal = -7;
inline constexpr int kFirstInstanceId = 100000;

// New empty global list and 10000 false flags; run at every game start.
void Global_Reset();
// For a user id: grows the flags to (id - 99000) entries when needed, sets the flag, and creates
// the global variable as real 0 when absent. Does nothing for ids below 100000.
void Global_Declare(int32_t id);
bool Global_IsDeclared(int32_t id);
// False while no globalvar flag has been set since the last reset: code that reads and writes
// plain variables checks this before looking a flag up.
extern bool g_anyGlobalDeclared;
inline bool Global_AnyDeclared() {
    return g_anyGlobalDeclared;
}
void Global_SetVar(int32_t id, int32_t arr_ind, const RValue& val);
bool Global_GetVar(int32_t id, int32_t arr_ind, RValue& val);
CVariableList& Global_List();
int Global_FlagCount();
// Integer 700; the global list's stream form; Integer n; n Booleans (the flags).
void Global_SaveToStream(CStream& str);
// Replaces the list and the flags. A version other than 700, short data or absurd counts change
// nothing and give false.
bool Global_LoadFromStream(CStream& str);
// The two halves of Global_LoadFromStream, for loaders that check more before changing anything:
// reads the form into list and flags (false on damage), then installs them.
bool Global_ReadStream(CStream& str, CVariableList& list, std::vector<bool>& flags);
void Global_Install(CVariableList&& list, std::vector<bool>&& flags);

// Ids above 9999: the instance's own list; others: the built-in getter / settable setter.
bool Instance_GetVar(CInstance* inst, int32_t id, int32_t arr_ind, RValue& val);
bool Instance_SetVar(CInstance* inst, int32_t id, int32_t arr_ind, const RValue& val);
// Reads from the one instance the selector picks (all, an object, an instance id).
bool Object_GetVar(int32_t selector, int32_t id, int32_t arr_ind, RValue& val);
// Writes to every instance the selector picks.
bool Object_SetVar(int32_t selector, int32_t id, int32_t arr_ind, const RValue& val);
// Forgets the remembered positions of the instance-id lookup (when the room's list is rebuilt).
void Object_ResetLookup();
