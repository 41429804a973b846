// CObject: the template of instances (sprite, solidity, depth, parent, mask) and its events, one
// dense list per event type; lookups along the parent chain.
#pragma once

#include "resources/Event_Class.h"

#include <array>
#include <memory>
#include <vector>

class CStream;

inline constexpr int kEventTypes = 12;

enum : int {
    kEvCreate = 0,
    kEvDestroy = 1,
    kEvAlarm = 2,
    kEvStep = 3,
    kEvCollision = 4,
    kEvKeyboard = 5,
    kEvMouse = 6,
    kEvOther = 7,
    kEvDraw = 8,
    kEvKeyPress = 9,
    kEvKeyRelease = 10,
    kEvTrigger = 11,
};

class CObject {
  public:
    void Clear();
    // The event (etype, enumb), creating it and every lower missing number; nullptr for a type
    // outside 0..11 or a negative number.
    CEvent* CreateEvent(int etype, int enumb);
    // Record versions 430 and 820 (see the .cpp). False on another version or corrupt data.
    bool LoadFromStream(CStream& str);
    // Prepares every action of every event in type and number order.
    bool Compile();
    CEvent* GetEventDirect(int etype, int enumb) const;
    bool HasEventDirect(int etype) const;
    CEvent* GetEventRecursive(int etype, int enumb) const;
    bool HasEventRecursive(int etype) const;
    bool IsDecendentOf(int objind) const;

    int o_spriteindex = -1;
    bool o_solid = false;
    bool o_visible = true;
    int o_depth = 0;
    bool o_persistent = false;
    int o_parent = -1;
    int o_mask = -1;
    std::array<std::vector<std::unique_ptr<CEvent>>, kEventTypes> o_events;

    int o_version = 820; // the record version read, kept for writing the record back
    int o_lasttype = 11; // the last event type the record listed
};
