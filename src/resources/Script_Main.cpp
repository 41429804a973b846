// The script table.
#include "resources/Script_Main.h"

#include "code/Code_Constant.h"
#include "code/Code_Error.h"
#include "data/DataNew_Main.h"
#include "support/Support_Stream.h"

#include <vector>

std::vector<std::unique_ptr<CScript>> g_scriptTable;

void Script_Clear() {
    g_scriptTable.clear();
}

void Script_Set(int index, std::unique_ptr<CScript> script) {
    if (index < 0) return;
    if (size_t(index) >= g_scriptTable.size()) g_scriptTable.resize(size_t(index) + 1);
    g_scriptTable[size_t(index)] = std::move(script);
}

int Script_Count() {
    return int(g_scriptTable.size());
}

int Script_Find(const std::string& name) {
    for (size_t k = 0; k < g_scriptTable.size(); ++k)
        if (g_scriptTable[k] && g_scriptTable[k]->s_name == name) return int(k);
    return -1;
}

bool Script_Exists(int index) {
    return Script_Get(index) != nullptr;
}

std::string Script_GetName(int index) {
    CScript* s = Script_Get(index);
    return s ? s->s_name : "<undefined>";
}

void CScript::Clear() {
    s_code.reset();
    s_text.clear();
}

bool CScript::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 800) return false;
    s_text = str.ReadString();
    return true;
}

bool CScript::Compile() {
    std::string text = s_code ? std::move(s_code->i_str) : std::move(s_text);
    s_text = std::string();
    s_code = std::make_unique<CCode>(std::move(text), false);
    return s_code->Compile();
}

bool Script_ReadItem(int index, const std::string& name, CStream& record) {
    auto script = std::make_unique<CScript>();
    script->s_name = name;
    if (!script->LoadFromStream(record)) return false;
    Script_Set(index, std::move(script));
    return true;
}

void Script_LoadStart(int count) {
    Script_Clear();
    if (count > 0) Script_Set(count - 1, nullptr);
}

void Script_Register() {
    DataNew_SetChunkStart(EChunk::Scripts, Script_LoadStart);
    DataNew_SetItemReader(EChunk::Scripts, Script_ReadItem);
    Name_SetFinder(NAME_SCRIPT, Script_Find);
}

bool Script_CompileAll() {
    for (int i = 0; i < Script_Count(); ++i) {
        CScript* s = Script_Get(i);
        if (s && !s->Compile()) {
            Error_Show("COMPILATION ERROR in Script: " + s->s_name + "\r" + Error_Buffer(), true);
            return false;
        }
    }
    return true;
}
