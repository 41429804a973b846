// The object list: every object of the game by index with its name; read from the objects chunk.
#pragma once

#include "resources/Object_Class.h"

#include <string>

class CStream;

void Object_Clear();
int Object_Count();
bool Object_Exists(int ind);
CObject* Object_Get(int ind);
std::string Object_GetName(int ind);
int Object_Find(const std::string& name);
int Object_Add(); // a new empty object named "__newobject" + index
bool Object_Delete(int ind);

bool Object_ReadItem(int index, const std::string& name, CStream& record);
// Empties the list and sizes it to the chunk's count (items that do not exist stay holes).
void Object_LoadStart(int count);
// Connects the list to the loader and its names to name lookup.
void Object_Register();
// "Compiling object actions": prepares every existing object in index order.
bool Object_CompileAll();
