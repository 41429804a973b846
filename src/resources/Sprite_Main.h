// The sprite table: the game's sprites by id with their names, read from the sprites chunk and
// changed at run time by the resource functions.
#pragma once

#include "resources/Sprite_Class.h"

#include <string>

class CStream;

void Sprite_ClearAll();
int Sprite_Count();
bool Sprite_Exists(int id);
CSprite* Sprite_Get(int id);              // null outside the table or for a hole
std::string Sprite_GetName(int id);       // "<undefined>" when the id does not exist
int Sprite_Find(const std::string& name); // exact, case-sensitive; -1 when absent
// Textures of every present sprite (graphics start).
void Sprite_InitTextures();

// Appends "__newsprite"+id loaded with LoadFromFile; -1 (and the entry removed) on failure.
int Sprite_AddFile(const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo, int yo);
bool Sprite_ReplaceFile(int id, const std::string& fname, int imgnumb, bool removeback, bool smooth, int xo,
                        int yo);
int Sprite_AddSpriteFile(const std::string& fname);
bool Sprite_ReplaceSpriteFile(int id, const std::string& fname);
bool Sprite_Delete(int id);
int Sprite_Duplicate(int id);
bool Sprite_Assign(int target, int source);
int Sprite_AddEmpty();

// Game-data reading: the chunk start and the item reader, and their registration with the
// loader and with name lookup.
void Sprite_LoadStart(int count);
bool Sprite_LoadItem(int index, const std::string& name, CStream& record);
void Sprite_Register();
