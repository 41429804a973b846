// The path list: every path of the game by index with its name; read from the paths chunk.
#pragma once

#include "resources/Path_Class.h"

#include <string>

class CStream;

void Path_Clear();
int Path_Count();
bool Path_Exists(int ind);
CPath* Path_Get(int ind);               // nullptr outside the list or for an empty slot
std::string Path_GetName(int ind);      // "<undefined>" for a missing path
int Path_Find(const std::string& name); // first existing path of that name, -1 when none
int Path_Add();                         // a new empty path named "__newpath" + index
bool Path_Delete(int ind);
int Path_Duplicate(int ind); // -1 when the source does not exist
bool Path_Assign(int ind, int src);

// Item reader of the paths chunk.
bool Path_ReadItem(int index, const std::string& name, CStream& record);
// Empties the list and sizes it to the chunk's count (items that do not exist stay holes).
void Path_LoadStart(int count);
// Connects the list to the loader and its names to name lookup.
void Path_Register();
