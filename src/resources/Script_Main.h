// The game's script table: index -> optional script (name, source, compiled code). The game-data
// reader fills it; indices without a script are holes.
#pragma once

#include "code/Code_Main.h"

#include <memory>
#include <string>

class CScript {
  public:
    std::string s_name;
    std::string s_text;
    std::unique_ptr<CCode> s_code;
};

// Removes every script.
void Script_Clear();
// Puts a script at index (growing the table with holes); nullptr makes the index a hole.
void Script_Set(int index, std::unique_ptr<CScript> script);
int Script_Count();
CScript* Script_Get(int index); // nullptr for a hole or outside the table
// First present script with exactly this name, or -1.
int Script_Find(const std::string& name);
bool Script_Exists(int index);
// The name, or "<undefined>".
std::string Script_GetName(int index);
