// The object list.
#include "resources/Object_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
#include "resources/Resource_List.h"

namespace {
TResourceList<CObject> g_objects;
}

void Object_Clear() {
    g_objects.Clear();
}
int Object_Count() {
    return g_objects.Count();
}
bool Object_Exists(int ind) {
    return g_objects.Exists(ind);
}
CObject* Object_Get(int ind) {
    return g_objects.Get(ind);
}
std::string Object_GetName(int ind) {
    return g_objects.GetName(ind);
}
int Object_Find(const std::string& name) {
    return g_objects.Find(name);
}
int Object_Add() {
    return g_objects.Append(std::make_unique<CObject>(), "__newobject");
}
bool Object_Delete(int ind) {
    return g_objects.Delete(ind);
}

bool Object_ReadItem(int index, const std::string& name, CStream& record) {
    auto obj = std::make_unique<CObject>();
    if (!obj->LoadFromStream(record)) return false;
    g_objects.Set(index, std::move(obj), name);
    return true;
}

void Object_LoadStart(int count) {
    g_objects.Clear();
    g_objects.SetCount(count);
}

void Object_Register() {
    DataNew_SetChunkStart(EChunk::Objects, Object_LoadStart);
    DataNew_SetItemReader(EChunk::Objects, Object_ReadItem);
    Name_SetFinder(NAME_OBJECT, Object_Find);
}

bool Object_CompileAll() {
    for (int i = 0; i < g_objects.Count(); i++) {
        CObject* obj = g_objects.Get(i);
        if (!obj) continue;
        Event_CompileContext().object = i;
        if (!obj->Compile()) return false;
    }
    return true;
}
