// The background table over TResourceList.
#include "resources/Background_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CBackground> g_backs;
const char* const kNewName = "__newbackground";
} // namespace

void Background_ClearAll() {
    g_backs.Clear();
}
int Background_Count() {
    return g_backs.Count();
}
bool Background_Exists(int id) {
    return g_backs.Exists(id);
}
CBackground* Background_Get(int id) {
    return g_backs.Get(id);
}
std::string Background_GetName(int id) {
    return g_backs.GetName(id);
}
int Background_Find(const std::string& name) {
    return g_backs.Find(name);
}

void Background_InitTextures() {
    for (int i = 0; i < g_backs.Count(); i++)
        if (CBackground* b = g_backs.Get(i)) b->InitTexture();
}

int Background_AddFile(const std::string& fname, bool removeback, bool smooth) {
    int id = g_backs.Append(std::make_unique<CBackground>(), kNewName);
    if (!g_backs.Get(id)->LoadFromFile(fname, removeback, smooth)) {
        g_backs.DropLast();
        return -1;
    }
    return id;
}

bool Background_ReplaceFile(int id, const std::string& fname, bool removeback, bool smooth) {
    if (id < 0 || id >= g_backs.Count()) return false;
    if (!g_backs.Exists(id)) g_backs.Set(id, std::make_unique<CBackground>(), "");
    return g_backs.Get(id)->LoadFromFile(fname, removeback, smooth);
}

int Background_AddBackgroundFile(const std::string& fname) {
    int id = g_backs.Append(std::make_unique<CBackground>(), kNewName);
    if (!g_backs.Get(id)->LoadFromBackgroundFile(fname)) {
        g_backs.DropLast();
        return -1;
    }
    return id;
}

bool Background_ReplaceBackgroundFile(int id, const std::string& fname) {
    if (id < 0 || id >= g_backs.Count()) return false;
    if (!g_backs.Exists(id)) g_backs.Set(id, std::make_unique<CBackground>(), "");
    return g_backs.Get(id)->LoadFromBackgroundFile(fname);
}

bool Background_Delete(int id) {
    return g_backs.Delete(id);
}

int Background_Duplicate(int id) {
    if (!g_backs.Exists(id)) return -1;
    auto copy = std::make_unique<CBackground>();
    copy->Assign(*g_backs.Get(id));
    return g_backs.Append(std::move(copy), kNewName);
}

bool Background_Assign(int target, int source) {
    if (!g_backs.Exists(source) || target < 0 || target >= g_backs.Count()) return false;
    if (!g_backs.Exists(target)) g_backs.Set(target, std::make_unique<CBackground>(), "");
    g_backs.Get(target)->Assign(*g_backs.Get(source));
    return true;
}

int Background_AddEmpty() {
    return g_backs.Append(std::make_unique<CBackground>(), kNewName);
}

void Background_LoadStart(int count) {
    g_backs.Clear();
    g_backs.SetCount(count);
}

bool Background_LoadItem(int index, const std::string& name, CStream& record) {
    auto back = std::make_unique<CBackground>();
    if (!back->LoadFromStream(record)) return false;
    g_backs.Set(index, std::move(back), name);
    return true;
}

void Background_Register() {
    DataNew_SetChunkStart(EChunk::Backgrounds, Background_LoadStart);
    DataNew_SetItemReader(EChunk::Backgrounds, Background_LoadItem);
    Name_SetFinder(NAME_BACKGROUND, Background_Find);
}
