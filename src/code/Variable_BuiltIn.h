// The built-in variable table: at most 500 entries (name, getter, setter, settable flag), added
// once at program start; an entry's position is its variable id.
#pragma once

#include "code/Variable_Class.h"

#include <string>

class CInstance;

using TBuiltinGetter = bool (*)(CInstance* inst, int32_t arr_ind, RValue& result);
using TBuiltinSetter = bool (*)(CInstance* inst, int32_t arr_ind, const RValue& val);
// A real field of the instance that an entry's getter reads and nothing else: quick code reads
// the field straight instead of calling the getter.
using TBuiltinField = double CInstance::*;

inline constexpr int kMaxBuiltinVars = 500;

// Appends an entry and returns its id. A 501st entry shows "INTERNAL ERROR: Adding too many
// variables" and returns 0 without adding.
int BuiltinVar_Add(const std::string& name, TBuiltinGetter getter, TBuiltinSetter setter, bool settable);
// First entry with exactly this name, or -1.
int BuiltinVar_Find(const std::string& name);
// The name, or "<unknown built-in variable>" outside the table.
std::string BuiltinVar_GetName(int id);
int BuiltinVar_Count();
TBuiltinGetter BuiltinVar_Getter(int id); // nullptr outside the table
TBuiltinSetter BuiltinVar_Setter(int id); // nullptr outside the table or when not settable
// Records that the getter of entry id reads field and nothing else (it returns the field as a
// real, always true); BuiltinVar_Field gives it back, nullptr for an entry without one.
void BuiltinVar_SetField(int id, TBuiltinField field);
TBuiltinField BuiltinVar_Field(int id);
// Ids recorded when argument0, argument15 and argument were added (-1 until then).
int BuiltinVar_Argument0Id();
int BuiltinVar_Argument15Id();
int BuiltinVar_ArgumentId();
// Empties the table (tests only).
void BuiltinVar_ClearAll();
