// The view of the running world that the language core needs: the live room's instances, the
// object hierarchy's instance lists, resource names for error headings, the current event, the
// stop request and the input state. The world installs its implementation with World_Set;
// every method has a harmless default so that code compiled or run without a room still works.
#pragma once

#include <string>

class CInstance;

// Current-event context read by error headings.
struct REventContext {
    int type = 0;    // event type 0..11, or 100000 for a time-line moment
    int number = 0;  // event number (the step for a time-line moment)
    int object = -1; // event object index, or the time line index for a moment
    int action = 0;  // position of the action in its list (0 = first)
};

inline constexpr int kTimeLineEventType = 100000;
inline constexpr int kStopAbort = -400;

class IRunWorld {
  public:
    virtual ~IRunWorld() = default;

    // The live room's instance list, in order.
    virtual int InstanceCount() { return 0; }
    virtual CInstance* InstanceAt(int /*pos*/) { return nullptr; }
    // The instances of an object and of its descendants, in the room's per-object order.
    virtual int ObjectInstanceCount(int /*object*/) { return 0; }
    virtual CInstance* ObjectInstanceAt(int /*object*/, int /*k*/) { return nullptr; }
    // The unmarked active instance with this id, or null: the one lookup every path uses.
    virtual CInstance* FindInstance(int id);

    // Resource names; "<undefined>" for missing ones. TriggerExists false gives "<Deleted>".
    virtual std::string ObjectName(int /*index*/) { return "<undefined>"; }
    virtual std::string TimeLineName(int /*index*/) { return "<undefined>"; }
    virtual bool TriggerExists(int /*index*/) { return false; }
    virtual std::string TriggerName(int /*index*/) { return "<undefined>"; }

    virtual REventContext CurrentEvent() { return REventContext{}; }
    // Code run outside any event (creation code, library initialisation code, trigger
    // conditions): the place it belongs to, which error headings name instead of an event;
    // empty inside events.
    virtual std::string CurrentPlace() { return {}; }
    virtual void SetStopRequest(int /*code*/) {}
    virtual void ClearInput() {} // as io_clear: keyboard and mouse state
};

// The installed world (never null: a default world with no room when none is installed).
IRunWorld& World();
// Installs w (nullptr restores the default); returns the previous one.
IRunWorld* World_Set(IRunWorld* w);
