// CTimeLine: the time-line record and the moment operations.
#include "resources/TimeLine_Class.h"

#include "run/Run_World.h"
#include "support/Support_Stream.h"

void CTimeLine::Clear() {
    s_step.clear();
    s_event.clear();
}

bool CTimeLine::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 500) return false;
    int32_t count = str.ReadInteger();
    if (count < 0 || size_t(count) > str.Remaining() / 8) return false;
    for (int32_t i = 0; i < count; i++) {
        s_step.push_back(str.ReadInteger());
        s_event.push_back(std::make_unique<CEvent>());
        if (!s_event.back()->LoadFromStream(str)) return false;
    }
    return true;
}

bool CTimeLine::Compile() {
    RCompileContext& ctx = Event_CompileContext();
    ctx.type = kTimeLineEventType;
    for (int i = 0; i < Count(); i++) {
        ctx.number = s_step[size_t(i)];
        ctx.action = 0;
        if (!s_event[size_t(i)]->Compile()) return false;
    }
    return true;
}

int CTimeLine::Find(int step) const {
    for (int i = 0; i < Count(); i++)
        if (s_step[size_t(i)] == step) return i;
    return -1;
}

int CTimeLine::FindLarger(double step) const {
    if (Count() == 0) return -1;
    for (int i = 0; i < Count(); i++)
        if (s_step[size_t(i)] >= step) return i;
    return Count();
}

int CTimeLine::FindSmaller(double step) const {
    int found = -1;
    for (int i = 0; i < Count() && s_step[size_t(i)] <= step; i++) found = i;
    return found;
}

void CTimeLine::AddMoment(int step) {
    int i = 0;
    while (i < Count() && s_step[size_t(i)] < step) i++;
    if (i < Count() && s_step[size_t(i)] == step) return;
    s_step.insert(s_step.begin() + i, step);
    s_event.insert(s_event.begin() + i, std::make_unique<CEvent>());
}

void CTimeLine::DeleteMoment(int step) {
    int i = Find(step);
    if (i < 0) return;
    s_step.erase(s_step.begin() + i);
    s_event.erase(s_event.begin() + i);
}
