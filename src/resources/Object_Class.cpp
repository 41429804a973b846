// CObject: the object record, event creation and the parent-chain lookups.
#include "resources/Object_Class.h"

#include "resources/Object_Main.h"
#include "support/Support_Stream.h"

void CObject::Clear() {
    *this = CObject();
}

CEvent* CObject::CreateEvent(int etype, int enumb) {
    if (etype < 0 || etype >= kEventTypes || enumb < 0) return nullptr;
    auto& list = o_events[size_t(etype)];
    while (int(list.size()) <= enumb) list.push_back(std::make_unique<CEvent>());
    return list[size_t(enumb)].get();
}

// Record: version 430 or 820; sprite, solid, visible, depth, persistent, parent, mask; the last
// event type L, then per type 0..L entries (number n >= 0 and its event record) ended by a
// negative number; version 820 adds two Booleans and six integers that are not used.
bool CObject::LoadFromStream(CStream& str) {
    o_version = str.ReadInteger();
    if (o_version != 430 && o_version != 820) return false;
    o_spriteindex = str.ReadInteger();
    o_solid = str.ReadBoolean();
    o_visible = str.ReadBoolean();
    o_depth = str.ReadInteger();
    o_persistent = str.ReadBoolean();
    o_parent = str.ReadInteger();
    o_mask = str.ReadInteger();
    o_lasttype = str.ReadInteger();
    // Event types end at 11: a record that lists more is corrupt.
    if (o_lasttype >= kEventTypes) return false;
    for (int t = 0; t <= o_lasttype; t++) {
        while (true) {
            int32_t n = str.ReadInteger();
            if (n < 0) break;
            // An event needs at least 8 bytes, so a number past what the data could fill is corrupt
            // (and would otherwise allocate that many empty events).
            if (size_t(n) > str.Remaining()) return false;
            if (!CreateEvent(t, n)->LoadFromStream(str)) return false;
        }
    }
    if (o_version == 820) {
        str.ReadBoolean();
        str.ReadBoolean();
        for (int i = 0; i < 6; i++) str.ReadInteger();
    }
    return true;
}

bool CObject::Compile() {
    RCompileContext& ctx = Event_CompileContext();
    for (int t = 0; t < kEventTypes; t++) {
        ctx.type = t;
        for (size_t n = 0; n < o_events[size_t(t)].size(); n++) {
            ctx.number = int(n);
            ctx.action = 0;
            if (!o_events[size_t(t)][n]->Compile()) return false;
        }
    }
    return true;
}

CEvent* CObject::GetEventDirect(int etype, int enumb) const {
    if (etype < 0 || etype >= kEventTypes || enumb < 0) return nullptr;
    const auto& list = o_events[size_t(etype)];
    if (size_t(enumb) >= list.size() || list[size_t(enumb)]->Count() == 0) return nullptr;
    return list[size_t(enumb)].get();
}

bool CObject::HasEventDirect(int etype) const {
    if (etype < 0 || etype >= kEventTypes) return false;
    for (const auto& e : o_events[size_t(etype)])
        if (e->Count() > 0) return true;
    return false;
}

namespace {
// Walks this object then its ancestors; at most as many steps as there are objects, so a parent
// cycle in edited data cannot hang the lookup.
template <typename F>
const CObject* WalkChain(const CObject* obj, F found) {
    for (int steps = 0; obj && steps <= Object_Count(); steps++) {
        if (found(obj)) return obj;
        obj = Object_Get(obj->o_parent);
    }
    return nullptr;
}
} // namespace

CEvent* CObject::GetEventRecursive(int etype, int enumb) const {
    CEvent* ev = nullptr;
    auto look = [&](int number) {
        WalkChain(this, [&](const CObject* o) { return (ev = o->GetEventDirect(etype, number)) != nullptr; });
        return ev;
    };
    if (look(enumb)) return ev;
    if (etype == kEvCollision && Object_Exists(enumb)) {
        const CObject* other = Object_Get(enumb);
        int ancestor = other->o_parent;
        for (int steps = 0; Object_Exists(ancestor) && steps <= Object_Count(); steps++) {
            if (look(ancestor)) return ev;
            ancestor = Object_Get(ancestor)->o_parent;
        }
    }
    return nullptr;
}

bool CObject::HasEventRecursive(int etype) const {
    return WalkChain(this, [&](const CObject* o) { return o->HasEventDirect(etype); }) != nullptr;
}

bool CObject::IsDecendentOf(int objind) const {
    int p = o_parent;
    for (int steps = 0; Object_Exists(p) && steps <= Object_Count(); steps++) {
        if (p == objind) return true;
        p = Object_Get(p)->o_parent;
    }
    return false;
}
