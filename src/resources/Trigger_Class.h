// CTrigger: a named condition checked every step that raises the trigger event; the trigger list
// (index = the trigger event's number).
#pragma once

#include "code/Code_Main.h"

#include <memory>
#include <string>

class CStream;

class CTrigger {
  public:
    void Clear();
    // Record: version 800, name, condition, moment, constant name. False on another version.
    bool LoadFromStream(CStream& str);
    // Compiles the condition as a program; the fatal error "COMPILATION ERROR in condition of
    // trigger " + name + CR + the message on failure.
    bool Prepare();

    std::string i_name;
    std::string i_condition;
    std::unique_ptr<CCode> i_code;
    std::string i_constname;
    int i_moment = 1;
};

void Trigger_Clear();
int Trigger_Count();
bool Trigger_Exists(int ind);
CTrigger* Trigger_Get(int ind);
std::string Trigger_GetName(int ind);              // i_name, "<undefined>" when missing
int Trigger_Find(const std::string& name);         // by i_name
int Trigger_FindConstant(const std::string& name); // by i_constname

// Item reader of the triggers chunk (name unused: it is inside the record).
bool Trigger_ReadItem(int index, const std::string& name, CStream& record);
// Empties the list and sizes it to the chunk's count (items that do not exist stay holes).
void Trigger_LoadStart(int count);
// Connects the list to the loader and its names to name lookup.
void Trigger_Register();
// "Preparing triggers": prepares every existing trigger in index order.
bool Trigger_PrepareAll();
