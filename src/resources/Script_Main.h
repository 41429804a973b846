// The game's script table: index -> optional script (name, source, compiled code). The game-data
// reader fills it; indices without a script are holes.
#pragma once

#include "code/Code_Main.h"

#include <memory>
#include <string>
#include <vector>

class CStream;

class CScript {
  public:
    std::string s_name;
    std::string s_text; // the source text until Compile hands it to the code
    std::unique_ptr<CCode> s_code;

    void Clear();
    // Record: version 800, the source text. False on another version.
    bool LoadFromStream(CStream& str);
    // Compiles the text as a program into s_code, which then holds the only copy of the text;
    // the compiler's success.
    bool Compile();
    // The source text, compiled or not.
    const std::string& Text() const { return s_code ? s_code->GetText() : s_text; }
};

// Removes every script.
void Script_Clear();
// Puts a script at index (growing the table with holes); nullptr makes the index a hole.
void Script_Set(int index, std::unique_ptr<CScript> script);
int Script_Count();
// nullptr for a hole or outside the table; inline, as every script call of running code asks.
inline CScript* Script_Get(int index);
// First present script with exactly this name, or -1.
int Script_Find(const std::string& name);
bool Script_Exists(int index);
// The name, or "<undefined>".
std::string Script_GetName(int index);

// Item reader of the scripts chunk; the chunk start empties the table and sizes it to count.
bool Script_ReadItem(int index, const std::string& name, CStream& record);
void Script_LoadStart(int count);
// Connects the table to the loader and its names to name lookup.
void Script_Register();
// "Compiling scripts": compiles every script in index order; the first failure is reported as the
// fatal error "COMPILATION ERROR in Script: " + name + CR + the compiler's message.
bool Script_CompileAll();

extern std::vector<std::unique_ptr<CScript>> g_scriptTable; // changed only through the functions above
inline CScript* Script_Get(int index) {
    const auto& t = g_scriptTable;
    return size_t(uint32_t(index)) < t.size() ? t[size_t(index)].get() : nullptr;
}
