// CEvent: the action list of one event of an object (or of one time-line moment).
#pragma once

#include "resources/Action_Class.h"

#include <memory>
#include <vector>

class CStream;

class CEvent {
  public:
    void Clear() { e_actions.clear(); }
    void AddCodeAction(const std::string& code) { e_actions.push_back(CAction::CreateCode(code)); }
    // Record: version 400, count, count action records. An event of another version is left
    // empty without reading further (no writer produces one); false only for corrupt data.
    bool LoadFromStream(CStream& str);
    // Prepares every action in order, with the action position in the error context.
    bool Compile();
    int Count() const { return int(e_actions.size()); }
    CAction* Action(int i) const { return i >= 0 && i < Count() ? e_actions[size_t(i)].get() : nullptr; }

    std::vector<std::unique_ptr<CAction>> e_actions;
};

// The place being prepared, named by compile-error headings: object (or time line) index, event
// type (100000 for a time-line moment), event number (the moment's step) and action position.
struct RCompileContext {
    int object = -1;
    int type = 0;
    int number = 0;
    int action = 0;
};
RCompileContext& Event_CompileContext();
