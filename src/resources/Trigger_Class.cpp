// CTrigger and the trigger list.
#include "resources/Trigger_Class.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"
#include "support/Support_Stream.h"

namespace {
TResourceList<CTrigger> g_triggers;
}

void CTrigger::Clear() {
    *this = CTrigger();
}

bool CTrigger::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 800) return false;
    i_name = str.ReadString();
    i_condition = str.ReadString();
    i_moment = str.ReadInteger();
    i_constname = str.ReadString();
    return true;
}

bool CTrigger::Prepare() {
    i_code = std::make_unique<CCode>(i_condition, false);
    if (i_code->Compile()) return true;
    Error_Show("COMPILATION ERROR in condition of trigger " + i_name + "\r" + Error_Buffer(), true);
    return false;
}

void Trigger_Clear() {
    g_triggers.Clear();
}
int Trigger_Count() {
    return g_triggers.Count();
}
bool Trigger_Exists(int ind) {
    return g_triggers.Exists(ind);
}
CTrigger* Trigger_Get(int ind) {
    return g_triggers.Get(ind);
}
std::string Trigger_GetName(int ind) {
    return g_triggers.GetName(ind);
}
int Trigger_Find(const std::string& name) {
    return g_triggers.Find(name);
}

int Trigger_FindConstant(const std::string& name) {
    for (int i = 0; i < g_triggers.Count(); i++)
        if (CTrigger* t = g_triggers.Get(i); t && t->i_constname == name) return i;
    return -1;
}

bool Trigger_ReadItem(int index, const std::string&, CStream& record) {
    auto t = std::make_unique<CTrigger>();
    if (!t->LoadFromStream(record)) return false;
    std::string name = t->i_name;
    g_triggers.Set(index, std::move(t), name);
    return true;
}

void Trigger_LoadStart(int count) {
    g_triggers.Clear();
    g_triggers.SetCount(count);
}

void Trigger_Register() {
    DataNew_SetChunkStart(EChunk::Triggers, Trigger_LoadStart);
    DataNew_SetItemReader(EChunk::Triggers, Trigger_ReadItem);
    Name_SetFinder(NAME_TRIGGER, Trigger_FindConstant);
}

bool Trigger_PrepareAll() {
    for (int i = 0; i < g_triggers.Count(); i++)
        if (CTrigger* t = g_triggers.Get(i); t && !t->Prepare()) return false;
    return true;
}
