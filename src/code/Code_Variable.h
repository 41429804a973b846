// The variable name table: every variable name the compiler meets becomes an id, a built-in id
// (0..499) or 100000 + its position in this append-only table. Also the argument-use trackers
// the compiler reads after a compile.
#pragma once

#include <string>

inline constexpr int kUserVarBase = 100000;
// Every test that separates built-in from user ids treats ids above this as user variables.
inline constexpr int kLastBuiltinRangeId = 9999;

// The built-in id, else the user id of the name (appended when new). Tracks argument use.
int VarName_Find(const std::string& name);
// Built-in name for ids below 100000; else the name, or "<unknown variable>".
std::string VarName_GetName(int id);
int VarName_Count(); // number of user names

// Highest n of argument<n> seen since the last reset (-1: none) and the argument array flag.
void VarName_ResetArgTrackers();
int VarName_HighestArgument();
bool VarName_ArgumentArrayUsed();
