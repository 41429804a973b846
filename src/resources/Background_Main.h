// The background table: the game's backgrounds by id with their names, read from the backgrounds chunk and
// changed at run time by the resource functions.
#pragma once

#include "resources/Background_Class.h"

#include <string>

class CStream;

void Background_ClearAll();
int Background_Count();
bool Background_Exists(int id);
CBackground* Background_Get(int id);          // null outside the table or for a hole
std::string Background_GetName(int id);       // "<undefined>" when the id does not exist
int Background_Find(const std::string& name); // exact, case-sensitive; -1 when absent
// Textures of every present background (graphics start).
void Background_InitTextures();

// Appends "__newbackground"+id loaded with LoadFromFile; -1 (and the entry removed) on failure.
int Background_AddFile(const std::string& fname, bool removeback, bool smooth);
bool Background_ReplaceFile(int id, const std::string& fname, bool removeback, bool smooth);
int Background_AddBackgroundFile(const std::string& fname);
bool Background_ReplaceBackgroundFile(int id, const std::string& fname);
bool Background_Delete(int id);
int Background_Duplicate(int id);
bool Background_Assign(int target, int source);
int Background_AddEmpty();

// Game-data reading: the chunk start and the item reader, and their registration with the
// loader and with name lookup.
void Background_LoadStart(int count);
bool Background_LoadItem(int index, const std::string& name, CStream& record);
void Background_Register();
