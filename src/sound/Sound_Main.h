// The sound list: the game's sounds by id with their names, read from the sounds chunk.
// Playback (slots, the engine, the sound functions) comes with the sound system.
#pragma once

#include "resources/Sound_Class.h"

#include <string>

class CStream;

void Sound_ClearAll();
int Sound_Count();
bool Sound_Exists(int id);
CSound* Sound_Get(int id);
std::string Sound_GetName(int id); // "<undefined>" when missing
int Sound_Find(const std::string& name);
// Appends "__newsound"+id loaded from the file; -1 (and the entry removed) when it cannot be read.
int Sound_Add(const std::string& fname, int kind, bool preload);
// Loads the file into id; a deleted entry gets a new sound named "__newsound"+id. An unreadable
// file changes nothing.
enum class ESoundReplace { Done, NoSuchIndex, Unreadable };
ESoundReplace Sound_Replace(int id, const std::string& fname, int kind, bool preload);
bool Sound_Delete(int id);

void Sound_LoadStart(int count);
bool Sound_LoadItem(int index, const std::string& name, CStream& record);
void Sound_Register();
