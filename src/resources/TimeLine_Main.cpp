// The time-line list.
#include "resources/TimeLine_Main.h"

#include "resources/Resource_List.h"

namespace {
TResourceList<CTimeLine> g_timelines;
}

void TimeLine_Clear() {
    g_timelines.Clear();
}
int TimeLine_Count() {
    return g_timelines.Count();
}
bool TimeLine_Exists(int ind) {
    return g_timelines.Exists(ind);
}
CTimeLine* TimeLine_Get(int ind) {
    return g_timelines.Get(ind);
}
std::string TimeLine_GetName(int ind) {
    return g_timelines.Name(ind);
}
int TimeLine_Find(const std::string& name) {
    return g_timelines.Find(name);
}
int TimeLine_Add() {
    return g_timelines.Add(std::make_unique<CTimeLine>(), "__newtimeline");
}
bool TimeLine_Delete(int ind) {
    return g_timelines.Delete(ind);
}

bool TimeLine_ReadItem(int index, const std::string& name, CStream& record) {
    auto tl = std::make_unique<CTimeLine>();
    if (!tl->LoadFromStream(record)) return false;
    g_timelines.Set(index, std::move(tl), name);
    return true;
}

void TimeLine_ChunkBegin() {
    g_timelines.Clear();
}

void TimeLine_ChunkEnd(int count) {
    g_timelines.Pad(count);
}

bool TimeLine_CompileAll() {
    for (int i = 0; i < g_timelines.Count(); i++) {
        CTimeLine* tl = g_timelines.Get(i);
        if (!tl) continue;
        Event_CompileContext().object = i;
        if (!tl->Compile()) return false;
    }
    return true;
}
