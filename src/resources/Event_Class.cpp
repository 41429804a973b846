// CEvent: the event record and the preparation of its actions.
#include "resources/Event_Class.h"

#include "support/Support_Stream.h"

RCompileContext& Event_CompileContext() {
    static RCompileContext ctx;
    return ctx;
}

bool CEvent::LoadFromStream(CStream& str) {
    if (str.ReadInteger() != 400) return true;
    int32_t count = str.ReadInteger();
    // Every action record takes far more than 4 bytes, so a larger count cannot be real.
    if (count < 0 || size_t(count) > str.Remaining() / 4) return false;
    for (int32_t i = 0; i < count; i++) {
        auto a = std::make_unique<CAction>();
        if (!a->LoadFromStream(str)) return false;
        e_actions.push_back(std::move(a));
    }
    return true;
}

bool CEvent::Compile() {
    for (int i = 0; i < Count(); i++) {
        Event_CompileContext().action = i;
        if (!e_actions[size_t(i)]->Compile()) return false;
    }
    return true;
}
