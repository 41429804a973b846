// CTimeLine: moments (strictly increasing steps), each with the action list run at that step.
#pragma once

#include "resources/Event_Class.h"

#include <memory>
#include <vector>

class CStream;

class CTimeLine {
  public:
    void Clear();
    // Record: version 500, count, per moment a step and an event record. False on another
    // version or corrupt data.
    bool LoadFromStream(CStream& str);
    // Prepares every moment's actions with the step as the context's event number.
    bool Compile();
    int Find(int step) const;
    int FindLarger(double step) const;
    int FindSmaller(double step) const;
    void AddMoment(int step);
    void DeleteMoment(int step);
    int Count() const { return int(s_step.size()); }
    CEvent* Event(int i) const { return i >= 0 && i < Count() ? s_event[size_t(i)].get() : nullptr; }
    int Step(int i) const { return i >= 0 && i < Count() ? s_step[size_t(i)] : 0; }

    std::vector<int> s_step;
    std::vector<std::unique_ptr<CEvent>> s_event;
};
