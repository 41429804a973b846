// The path list.
#include "resources/Path_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CPath> g_paths;
}

void Path_Clear() {
    g_paths.Clear();
}
int Path_Count() {
    return g_paths.Count();
}
bool Path_Exists(int ind) {
    return g_paths.Exists(ind);
}
CPath* Path_Get(int ind) {
    return g_paths.Get(ind);
}
std::string Path_GetName(int ind) {
    return g_paths.GetName(ind);
}
int Path_Find(const std::string& name) {
    return g_paths.Find(name);
}
int Path_Add() {
    return g_paths.Append(std::make_unique<CPath>(), "__newpath");
}
bool Path_Delete(int ind) {
    return g_paths.Delete(ind);
}

int Path_Duplicate(int ind) {
    CPath* src = g_paths.Get(ind);
    if (!src) return -1;
    auto copy = std::make_unique<CPath>();
    copy->Assign(*src);
    return g_paths.Append(std::move(copy), "__newpath");
}

bool Path_Assign(int ind, int src) {
    CPath* from = g_paths.Get(src);
    if (!from || ind < 0 || ind >= g_paths.Count()) return false;
    if (!g_paths.Exists(ind)) g_paths.Set(ind, std::make_unique<CPath>(), "__newpath" + std::to_string(ind));
    if (ind != src) g_paths.Get(ind)->Assign(*from);
    return true;
}

bool Path_ReadItem(int index, const std::string& name, CStream& record) {
    auto path = std::make_unique<CPath>();
    if (!path->LoadFromStream(record)) return false;
    g_paths.Set(index, std::move(path), name);
    return true;
}

void Path_LoadStart(int count) {
    g_paths.Clear();
    g_paths.SetCount(count);
}

void Path_Register() {
    DataNew_SetChunkStart(EChunk::Paths, Path_LoadStart);
    DataNew_SetItemReader(EChunk::Paths, Path_ReadItem);
    Name_SetFinder(NAME_PATH, Path_Find);
}
