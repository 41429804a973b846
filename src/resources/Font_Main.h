// The font list: the game's fonts by id with their names, read from the fonts chunk and
// extended at run time by the font functions.
#pragma once

#include "resources/Font_Class.h"

#include <string>

class CStream;

void Font_ClearAll();
int Font_Count();
bool Font_Exists(int id);
CFont* Font_Get(int id);
std::string Font_GetName(int id); // "<undefined>" when missing
int Font_Find(const std::string& name);
// Append a font named "__newfont"+id and return its id.
int Font_AddSystemFont(const std::string& name, int size, bool bold, bool italic, int first, int last);
int Font_AddSpriteFont(int sprite, int first, bool prop, int sep);
// Build a new font in place of the old one; false when id is outside the list.
bool Font_Replace(int id, const std::string& name, int size, bool bold, bool italic, int first, int last);
bool Font_ReplaceFromSprite(int id, int sprite, int first, bool prop, int sep);
bool Font_Delete(int id);
// Textures of every font (graphics start).
void Font_InitTextures();

void Font_LoadStart(int count);
bool Font_LoadItem(int index, const std::string& name, CStream& record);
void Font_Register();
