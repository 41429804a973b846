// The time-line list: every time line of the game by index with its name.
#pragma once

#include "resources/TimeLine_Class.h"

#include <string>

void TimeLine_Clear();
int TimeLine_Count();
bool TimeLine_Exists(int ind);
CTimeLine* TimeLine_Get(int ind);
std::string TimeLine_GetName(int ind);
int TimeLine_Find(const std::string& name);
int TimeLine_Add(); // a new empty time line named "__newtimeline" + index
bool TimeLine_Delete(int ind);

bool TimeLine_ReadItem(int index, const std::string& name, CStream& record);
// Empties the list and sizes it to the chunk's count (items that do not exist stay holes).
void TimeLine_LoadStart(int count);
// Connects the list to the loader and its names to name lookup.
void TimeLine_Register();
// "Compiling time line actions": prepares every existing time line in index order.
bool TimeLine_CompileAll();
