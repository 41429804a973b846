// The time-line list.
#include "resources/TimeLine_Main.h"

#include "code/Code_Constant.h"
#include "data/DataNew_Main.h"
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
    return g_timelines.GetName(ind);
}
int TimeLine_Find(const std::string& name) {
    return g_timelines.Find(name);
}
int TimeLine_Add() {
    return g_timelines.Append(std::make_unique<CTimeLine>(), "__newtimeline");
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

void TimeLine_LoadStart(int count) {
    g_timelines.Clear();
    g_timelines.SetCount(count);
}

void TimeLine_Register() {
    DataNew_SetChunkStart(EChunk::TimeLines, TimeLine_LoadStart);
    DataNew_SetItemReader(EChunk::TimeLines, TimeLine_ReadItem);
    Name_SetFinder(NAME_TIMELINE, TimeLine_Find);
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
